// Files on POSIX. Windows sharing is emulated with advisory flock: a
// no-sharing open holds an exclusive lock, a sharing open a shared one,
// both taken without waiting, so the first open that cannot have its lock
// fails as a sharing violation.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace {

const uint32_t kErrorAccessDenied = 5;

// Records the failure of the call just made and returns false.
bool Fail(const char* name) {
  SetLastPlatformError(WindowsCodeForErrno(errno, name));
  return false;
}

int OpenFlags(unsigned access, PlatformCreation creation) {
  int flags = O_CLOEXEC | O_NOCTTY;
  if ((access & kAccessRead) && (access & kAccessWrite)) {
    flags |= O_RDWR;
  } else if (access & kAccessWrite) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  if (creation == kOpenAlways) flags |= O_CREAT;
  // A FIFO opened for reading would wait for a writer; a disk file does not care.
  if (creation == kOpenExistingDiskFile) flags |= O_NONBLOCK;
  return flags;
}

}  // namespace

// Opens without truncating; the lock is taken before anyone can empty the file.
PlatformFile PlatformOpenFile(const char* name, unsigned access, unsigned share,
                              PlatformCreation creation) {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  int fd = open(name, OpenFlags(access, creation), 0666);
  if (fd < 0) {
    Fail(name);
    return kNoFile;
  }
  struct stat info;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (!regular && creation == kOpenExistingDiskFile) {
    // Windows cannot open a folder this way, and a pipe is no file to read.
    SetLastPlatformError(kErrorAccessDenied);
    close(fd);
    return kNoFile;
  }
  if (regular && flock(fd, (share == kShareNone ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    Fail(name);
    close(fd);
    return kNoFile;
  }
  return fd;
}

// Writes once; a partial write reports success with the count written.
bool PlatformWriteFile(PlatformFile file, const void* data, uint32_t size, uint32_t* written) {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  *written = 0;
  ssize_t result;
  do {
    result = write(static_cast<int>(file), data, size);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return Fail(nullptr);
  *written = static_cast<uint32_t>(result);
  return true;
}

// Sets the position from the start of the file.
bool PlatformSeekFile(PlatformFile file, uint32_t offset) {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  if (lseek(static_cast<int>(file), static_cast<off_t>(offset), SEEK_SET) < 0) {
    return Fail(nullptr);
  }
  return true;
}

// Cuts the file at the current position.
bool PlatformSetEndOfFile(PlatformFile file) {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  off_t position = lseek(static_cast<int>(file), 0, SEEK_CUR);
  if (position < 0 || ftruncate(static_cast<int>(file), position) != 0) return Fail(nullptr);
  return true;
}

// A regular file counts as a disk file; terminals, pipes and devices do not.
bool PlatformIsDiskFile(PlatformFile file) {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  struct stat info;
  return fstat(static_cast<int>(file), &info) == 0 && S_ISREG(info.st_mode);
}

// Closing releases the lock with the descriptor.
bool PlatformCloseFile(PlatformFile file) {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  if (close(static_cast<int>(file)) != 0) return Fail(nullptr);
  return true;
}

// Removes the named file; a folder is not removed.
bool PlatformDeleteFile(const char* name) {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  if (unlink(name) != 0) return Fail(name);
  return true;
}

// Descriptor 1 when it is open, kNoFile otherwise.
PlatformFile PlatformStandardOutput() {
  std::lock_guard<std::mutex> lock(FileSystemMutex());
  if (fcntl(1, F_GETFD) < 0) {
    Fail(nullptr);
    return kNoFile;
  }
  return 1;
}
