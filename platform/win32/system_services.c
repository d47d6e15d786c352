/* The wait and the program's folder on Windows. */
#include "platform/system_services.h"

#include <string.h>
#include <windows.h>

/* Sleep waits the whole time. */
void SystemSleep(uint32_t milliseconds) {
  Sleep(milliseconds);
}

/* The folder part of the program's own module file name. */
size_t SystemProgramFolder(char* out, size_t size) {
  DWORD length;
  char* slash;
  if (size < 2) return 0;
  length = GetModuleFileNameA(NULL, out, (DWORD)size);
  if (length == 0 || length >= size) return 0;
  slash = strrchr(out, '\\');
  if (slash == NULL) return 0;
  slash[1] = '\0';
  return (size_t)(slash + 1 - out);
}
