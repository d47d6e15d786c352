// The process-wide file-system lock and error mode on Windows.
#include "platform/win32/win32_internal.h"

#include "platform/platform.h"

namespace {

std::mutex& FileSystemMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

thread_local uint32_t last_error = 0;

}  // namespace

FileSystemCall::FileSystemCall()
    : lock_(FileSystemMutex()),
      previous_mode_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}

FileSystemCall::~FileSystemCall() {
  SetErrorMode(previous_mode_);
}

// Keeps the code before anything else can overwrite it.
void KeepLastError() {
  last_error = GetLastError();
}

// The code of this thread's last failed platform call.
uint32_t PlatformLastError() {
  return last_error;
}
