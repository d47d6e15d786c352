// The system's own wait, implemented once per system.
#pragma once

#include <cstdint>

// Suspends the calling thread for the given milliseconds.
void SystemSleep(uint32_t milliseconds);
