// Loading DLLs on Windows.
#include <windows.h>

#include "platform/platform.h"

// LoadLibraryA with the usual search: the program's folder first.
PlatformModule PlatformLoadModule(const char* name) {
  return reinterpret_cast<PlatformModule>(LoadLibraryA(name));
}

// GetProcAddress by name, nullptr when the library does not export it.
void* PlatformResolve(PlatformModule module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

// FreeLibrary; the result is of no use to the caller.
void PlatformFreeModule(PlatformModule module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}
