// The system's own wait for an event, under PlatformWaitEvent's hook.
// Shared by the platform layer's files only.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Waits until the event (never nullptr) is set, at most bound_ms; true when
// it is set.
bool SystemWaitEvent(PlatformEvent event, uint32_t bound_ms);
