/* The wait and the program's folder on POSIX. */
#include "platform/system_services.h"

#include <errno.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* nanosleep leaves the time still to wait when a signal interrupts it. */
void SystemSleep(uint32_t milliseconds) {
  struct timespec left = {(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

/* The folder part of /proc/self/exe. */
size_t SystemProgramFolder(char* out, size_t size) {
  ssize_t length;
  char* slash;
  if (size < 2) return 0;
  length = readlink("/proc/self/exe", out, size - 1);
  if (length <= 0 || (size_t)length >= size - 1) return 0;
  out[length] = '\0';
  slash = strrchr(out, '/');
  if (slash == NULL) return 0;
  slash[1] = '\0';
  return (size_t)(slash + 1 - out);
}
