// Sleep on POSIX.
#include <time.h>

#include <atomic>

#include "platform/platform.h"

namespace {
std::atomic<void (*)(uint32_t)> sleep_hook{nullptr};
}  // namespace

// Lets tests replace the wait.
void PlatformSetSleepHook(void (*hook)(uint32_t milliseconds)) {
  sleep_hook = hook;
}

// Suspends the calling thread for the given milliseconds, resuming after signals.
void PlatformSleep(uint32_t milliseconds) {
  if (void (*hook)(uint32_t) = sleep_hook.load()) {
    hook(milliseconds);
    return;
  }
  struct timespec wait = {static_cast<time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}
