// Sleep on Windows.
#include <windows.h>

#include "platform/platform.h"

// Suspends the calling thread for the given milliseconds.
void PlatformSleep(uint32_t milliseconds) { Sleep(milliseconds); }
