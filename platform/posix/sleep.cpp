// Sleep on POSIX.
#include <time.h>

#include "platform/system_sleep.h"

// Suspends the calling thread for the given milliseconds, resuming after signals.
void SystemSleep(uint32_t milliseconds) {
  struct timespec wait = {static_cast<time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}
