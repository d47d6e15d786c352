// The dial's process-wide values, one instance each.
#include "remote_access/dial_values.h"

#include "platform/platform.h"

// The path form is the system's: a backslash is no separator on POSIX.
std::string DefaultCancelFileName() {
  return PlatformCurrentFolderFile("rascancel.qcx");
}

void* DialCallbackAddress = nullptr;
std::string CancelFileName = DefaultCancelFileName();
uint32_t ConnectionHandle = 0;

void SetDialNotifier(void* notifier) {
  DialCallbackAddress = notifier;
}

void SetCancelFileName(std::string_view name) {
  CancelFileName = std::string(name);
}

void SetConnectionHandle(uint32_t handle) {
  ConnectionHandle = handle;
}
