// Events on Windows: manual-reset event objects.
#include <windows.h>

#include "platform/event_system.h"
#include "platform/platform.h"

PlatformEvent PlatformCreateEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

void PlatformSetEvent(PlatformEvent event) {
  if (event != nullptr) SetEvent(event);
}

void PlatformResetEvent(PlatformEvent event) {
  if (event != nullptr) ResetEvent(event);
}

// A failed wait counts as not set: the caller's bound has then ended early.
bool SystemWaitEvent(PlatformEvent event, uint32_t bound_ms) {
  return WaitForSingleObject(event, bound_ms) == WAIT_OBJECT_0;
}

void PlatformCloseEvent(PlatformEvent event) {
  if (event != nullptr) CloseHandle(event);
}
