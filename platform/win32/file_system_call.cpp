// The process-wide file-system lock and error mode on Windows.
#include "platform/win32/win32_internal.h"

namespace {

std::mutex& FileSystemMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

}  // namespace

FileSystemCall::FileSystemCall()
    : lock_(FileSystemMutex()),
      previous_mode_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}

FileSystemCall::~FileSystemCall() {
  SetErrorMode(previous_mode_);
}
