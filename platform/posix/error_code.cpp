// errno to Windows system error codes, so status/ keeps one mapping table.
#include <errno.h>
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace {

thread_local uint32_t last_error = 0;

struct ErrnoCode {
  int error;
  uint32_t code;
};

// The code Windows gives for the same failure.
const ErrnoCode kErrnoCodes[] = {
    {ENOENT, 2},          // ERROR_FILE_NOT_FOUND (3 when the folder is missing)
    {ENOTDIR, 3},         // ERROR_PATH_NOT_FOUND
    {EMFILE, 4},          // ERROR_TOO_MANY_OPEN_FILES
    {ENFILE, 4},          //
    {EACCES, 5},          // ERROR_ACCESS_DENIED
    {EPERM, 5},           //
    {EISDIR, 5},          // opening a folder as a file
    {EBADF, 6},           // ERROR_INVALID_HANDLE
    {ENOMEM, 8},          // ERROR_NOT_ENOUGH_MEMORY
    {EROFS, 19},          // ERROR_WRITE_PROTECT
    {ENXIO, 21},          // ERROR_NOT_READY
    {ENODEV, 21},         //
    {EIO, 31},            // ERROR_GEN_FAILURE
    {EWOULDBLOCK, 32},    // ERROR_SHARING_VIOLATION (a lock another open holds)
    {ETXTBSY, 32},        //
    {EEXIST, 80},         // ERROR_FILE_EXISTS
    {EINVAL, 87},         // ERROR_INVALID_PARAMETER
    {EPIPE, 109},         // ERROR_BROKEN_PIPE
    {ENOSPC, 112},        // ERROR_DISK_FULL
    {EDQUOT, 112},        //
    {ESPIPE, 132},        // ERROR_SEEK_ON_DEVICE
    {EBUSY, 170},         // ERROR_BUSY
    {ENAMETOOLONG, 206},  // ERROR_FILENAME_EXCED_RANGE
    {EFBIG, 223},         // ERROR_FILE_TOO_LARGE
    {ELOOP, 1921},        // ERROR_CANT_RESOLVE_FILENAME
};

// True when the folder that would hold the named file exists.
bool ParentFolderExists(const char* name) {
  std::string path(name);
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;  // the current folder
  std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
  struct stat info;
  return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

// Looks errno up in the table; unknown values read as a general failure.
uint32_t WindowsCodeForErrno(int error, const char* name) {
  if (error == ENOENT && name != nullptr && !ParentFolderExists(name)) return 3;
  for (const ErrnoCode& entry : kErrnoCodes) {
    if (entry.error == error) return entry.code;
  }
  return 31;
}

// Stores the code for PlatformLastError on this thread.
void SetLastPlatformError(uint32_t code) {
  last_error = code;
}

// The code of this thread's last failed platform call.
uint32_t PlatformLastError() {
  return last_error;
}
