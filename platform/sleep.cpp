// Sleep, with a hook through which tests shorten long waits.
#include <atomic>

#include "platform/platform.h"
#include "platform/system_services.h"

namespace {
std::atomic<void (*)(uint32_t)> sleep_hook{nullptr};
}  // namespace

// Lets tests replace the wait.
void PlatformSetSleepHook(void (*hook)(uint32_t milliseconds)) {
  sleep_hook = hook;
}

// Suspends the calling thread, or hands the wait to the hook when one is set.
void PlatformSleep(uint32_t milliseconds) {
  if (void (*hook)(uint32_t) = sleep_hook.load()) {
    hook(milliseconds);
    return;
  }
  SystemSleep(milliseconds);
}
