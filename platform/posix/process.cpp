// Process-wide behaviour, secrets and path forms on POSIX.
#include <signal.h>
#include <string.h>

#include <string>

#include "platform/platform.h"

// Ignored, a write to a closed pipe returns EPIPE, which the file layer maps
// to the Windows code for a broken pipe; the run goes on to its end.
void PlatformKeepRunningWithoutReader() {
  (void)signal(SIGPIPE, SIG_IGN);
}

// explicit_bzero is never optimised away, even when the memory is freed next.
void PlatformClearSecret(void* data, size_t size) {
  if (data != nullptr && size > 0) explicit_bzero(data, size);
}

// "./" is what ".\\" means on Windows: relative to the current folder.
std::string PlatformCurrentFolderFile(const char* name) {
  return std::string("./") + name;
}
