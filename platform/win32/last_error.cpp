// The system error code of each thread's last failed platform call on Windows.
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace {

thread_local uint32_t last_error = 0;

}  // namespace

// Keeps the code before anything else can overwrite it.
void KeepLastError() {
  last_error = GetLastError();
}

// The code of this thread's last failed platform call.
uint32_t PlatformLastError() {
  return last_error;
}
