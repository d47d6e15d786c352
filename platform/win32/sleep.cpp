// Sleep on Windows.
#include <windows.h>

#include "platform/system_sleep.h"

// Suspends the calling thread for the given milliseconds.
void SystemSleep(uint32_t milliseconds) {
  Sleep(milliseconds);
}
