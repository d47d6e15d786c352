// Files on Windows.
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace {

HANDLE AsHandle(PlatformFile file) {
  return reinterpret_cast<HANDLE>(file);
}

bool Fail() {
  KeepLastError();
  return false;
}

}  // namespace

// CreateFileA with the access, sharing and creation asked for; never truncates.
PlatformFile PlatformOpenFile(const char* name, unsigned access, unsigned share,
                              PlatformCreation creation) {
  DWORD desired =
      ((access & kAccessRead) ? GENERIC_READ : 0) | ((access & kAccessWrite) ? GENERIC_WRITE : 0);
  DWORD sharing =
      ((share & kShareRead) ? FILE_SHARE_READ : 0) | ((share & kShareWrite) ? FILE_SHARE_WRITE : 0);
  DWORD disposition = creation == kOpenAlways ? OPEN_ALWAYS : OPEN_EXISTING;
  FileSystemCall call;
  HANDLE handle =
      CreateFileA(name, desired, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    Fail();
    return kNoFile;
  }
  // A pipe or device name opens too; only a disk file counts here.
  if (creation == kOpenExistingDiskFile && GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    SetLastError(ERROR_ACCESS_DENIED);
    Fail();
    return kNoFile;
  }
  return reinterpret_cast<PlatformFile>(handle);
}

// One WriteFile call; a partial write reports success with the count written.
bool PlatformWriteFile(PlatformFile file, const void* data, uint32_t size, uint32_t* written) {
  FileSystemCall call;
  DWORD count = 0;
  BOOL ok = WriteFile(AsHandle(file), data, size, &count, nullptr);
  *written = count;
  return ok ? true : Fail();
}

// SetFilePointer from the start of the file.
bool PlatformSeekFile(PlatformFile file, uint32_t offset) {
  FileSystemCall call;
  LONG high = 0;
  DWORD low = SetFilePointer(AsHandle(file), static_cast<LONG>(offset), &high, FILE_BEGIN);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return Fail();
  return true;
}

// SetEndOfFile at the current position.
bool PlatformSetEndOfFile(PlatformFile file) {
  FileSystemCall call;
  return SetEndOfFile(AsHandle(file)) ? true : Fail();
}

// GetFileType tells a disk file from a console, pipe or device.
bool PlatformIsDiskFile(PlatformFile file) {
  FileSystemCall call;
  return GetFileType(AsHandle(file)) == FILE_TYPE_DISK;
}

bool PlatformCloseFile(PlatformFile file) {
  FileSystemCall call;
  return CloseHandle(AsHandle(file)) ? true : Fail();
}

// DeleteFileA: the one file named, no wildcards.
bool PlatformDeleteFile(const char* name) {
  FileSystemCall call;
  return DeleteFileA(name) ? true : Fail();
}

// GetStdHandle; kNoFile when the process has no standard output.
PlatformFile PlatformStandardOutput() {
  HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    KeepLastError();
    return kNoFile;
  }
  return reinterpret_cast<PlatformFile>(handle);
}
