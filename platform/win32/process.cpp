// Process-wide behaviour, secrets and path forms on Windows.
#include <windows.h>

#include <string>

#include "platform/platform.h"

// A write to a closed pipe fails with ERROR_NO_DATA on Windows; nothing to do.
void PlatformKeepRunningWithoutReader() {}

// SecureZeroMemory writes through a volatile pointer, so it stays.
void PlatformClearSecret(void* data, size_t size) {
  if (data != nullptr && size > 0) SecureZeroMemory(data, size);
}

std::string PlatformCurrentFolderFile(const char* name) {
  return std::string(".\\") + name;
}
