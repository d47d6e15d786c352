// The remote-access library binding: load on demand, resolve by name on
// every call, free only what the call itself loaded.
#include "remote_access/binding.h"

#include "remote_access/export_edge.h"
#include "remote_access/library_export.h"
#include "remote_access/nelvoras.h"

const char kRasLibraryName[] = "rasapi32.dll";
PlatformModule RasLibraryHandle = nullptr;

namespace {

// Calls the named function of the library with the arguments as given. The
// address is never kept: a library loaded again may sit elsewhere.
template <typename Function, int ArgumentBytes, typename... Args>
int32_t CallRasFunction(const char* name, bool* available, Args... args) {
  // Every argument is 32 bits on Windows: the list's decoration must fit.
  static_assert(sizeof...(Args) * 4 == ArgumentBytes, "argument bytes in ras_functions.h");
  bool loadedByThisCall = false;
  if (RasLibraryHandle == nullptr) {
    LoadRasLibrary();
    loadedByThisCall = RasLibraryHandle != nullptr;
  }
  if (RasLibraryHandle == nullptr) {
    *available = false;
    return 0;
  }
  int32_t result = 0;
  void* address = PlatformResolve(RasLibraryHandle, name);
  *available = address != nullptr;
  if (address != nullptr) {
    result = static_cast<int32_t>(reinterpret_cast<Function>(address)(args...));
  }
  if (loadedByThisCall) FreeRasLibrary();
  return result;
}

// The function's name, pointer type and argument bytes from one token.
#define CALL_RAS(name, available, ...) \
  CallRasFunction<name##Func, name##ArgumentBytes>(#name, available, __VA_ARGS__)

}  // namespace

// LoadRasLibrary: at most once through the handle.
PlatformModule LoadRasLibrary() {
  if (RasLibraryHandle == nullptr) RasLibraryHandle = PlatformLoadModule(kRasLibraryName);
  return RasLibraryHandle;
}

// FreeRasLibrary: the result of the free is of no use to anyone.
void FreeRasLibrary() {
  if (RasLibraryHandle == nullptr) return;
  PlatformFreeModule(RasLibraryHandle);
  RasLibraryHandle = nullptr;
}

// RasInitDLL
NELVO_EXPORT uintptr_t NELVO_API RasInitDLL(void) noexcept {
  return AtExportEdge<uintptr_t>(0, [] { return reinterpret_cast<uintptr_t>(LoadRasLibrary()); });
}

// RasUnloadDLL
NELVO_EXPORT void NELVO_API RasUnloadDLL(void) noexcept {
  FreeRasLibrary();
}

// TryCallRasGetConnectStatus
int32_t TryCallRasGetConnectStatus(HRASCONN handle, RASCONNSTATUS* status, bool* available) {
  return CALL_RAS(RasGetConnectStatusA, available, handle, status);
}

// CallRasGetConnectStatus
int32_t CallRasGetConnectStatus(HRASCONN handle, RASCONNSTATUS* status) {
  bool available;
  return TryCallRasGetConnectStatus(handle, status, &available);
}

// CallRasEnumEntries
int32_t CallRasEnumEntries(const char* reserved, const char* phoneBook, RASENTRYNAME* entries,
                           uint32_t* size, uint32_t* count) {
  bool available;
  return CALL_RAS(RasEnumEntriesA, &available, reserved, phoneBook, entries, size, count);
}

// CallRasGetEntryDialParams
int32_t CallRasGetEntryDialParams(const char* phoneBook, RASDIALPARAMS* params,
                                  int32_t* passwordStored) {
  bool available;
  return CALL_RAS(RasGetEntryDialParamsA, &available, phoneBook, params, passwordStored);
}

// CallRasDial
int32_t CallRasDial(RASDIALEXTENSIONS* extensions, const char* phoneBook, RASDIALPARAMS* params,
                    uint32_t notifierType, void* notifier, HRASCONN* handle) {
  bool available;
  return CALL_RAS(RasDialA, &available, extensions, phoneBook, params, notifierType, notifier,
                  handle);
}

// TryCallRasHangUp
int32_t TryCallRasHangUp(HRASCONN handle, bool* available) {
  return CALL_RAS(RasHangUpA, available, handle);
}

// CallRasHangUp
int32_t CallRasHangUp(HRASCONN handle) {
  bool available;
  return TryCallRasHangUp(handle, &available);
}

// CallRasEnumConnections
int32_t CallRasEnumConnections(RASCONN* connections, uint32_t* size, uint32_t* count) {
  bool available;
  return CALL_RAS(RasEnumConnectionsA, &available, connections, size, count);
}
