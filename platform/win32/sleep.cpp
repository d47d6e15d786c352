// Sleep on Windows.
#include <windows.h>

#include <atomic>

#include "platform/platform.h"

namespace {
std::atomic<void (*)(uint32_t)> sleep_hook{nullptr};
}  // namespace

// Lets tests replace the wait.
void PlatformSetSleepHook(void (*hook)(uint32_t milliseconds)) {
  sleep_hook = hook;
}

// Suspends the calling thread for the given milliseconds.
void PlatformSleep(uint32_t milliseconds) {
  if (void (*hook)(uint32_t) = sleep_hook.load()) {
    hook(milliseconds);
    return;
  }
  Sleep(milliseconds);
}
