// The process-wide file-system lock on POSIX.
#include "platform/posix/posix_internal.h"

// One mutex for the whole process, alive until the last file call of exit.
std::mutex& FileSystemMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}
