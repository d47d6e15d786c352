// The command line on Windows.
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

// Windows keeps the command line itself.
void PlatformSetArguments(int, char**) {}

// Other processes read the command line from the process's parameter block,
// which the program's own copy does not change; it cannot be hidden so.
void PlatformMaskCommandLine(size_t, size_t) {}

// GetCommandLineA, as the process received it.
std::string PlatformCommandLine() {
  const char* line = GetCommandLineA();
  return line != nullptr ? std::string(line) : std::string();
}
