// The wait for an event, with a hook through which tests answer it at once.
#include <atomic>

#include "platform/event_system.h"
#include "platform/platform.h"

namespace {
std::atomic<bool (*)(PlatformEvent, uint32_t)> wait_hook{nullptr};
}  // namespace

// Lets tests replace the wait.
void PlatformSetEventWaitHook(bool (*hook)(PlatformEvent event, uint32_t bound_ms)) {
  wait_hook = hook;
}

// Waits on the system's event, or hands the wait to the hook when one is set.
bool PlatformWaitEvent(PlatformEvent event, uint32_t bound_ms) {
  if (bool (*hook)(PlatformEvent, uint32_t) = wait_hook.load()) return hook(event, bound_ms);
  if (event == nullptr) return false;
  return SystemWaitEvent(event, bound_ms);
}
