// Run-time binding of the remote-access library: the one module handle and
// one trampoline per remote-access function. Every call into the service
// goes through here; nothing links rasapi32 when it is built.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "remote_access/ras_functions.h"

// "rasapi32.dll", the one name the library is loaded by.
extern const char kRasLibraryName[];

// Module handle of rasapi32.dll, nullptr when not loaded. Set only by
// LoadRasLibrary, cleared only by FreeRasLibrary; no reference count.
extern PlatformModule RasLibraryHandle;

// The one load and free behind RasInitDLL, RasUnloadDLL and the
// trampolines. Loading sets RasLibraryHandle when it is not set and returns
// it (nullptr when the library cannot be loaded); freeing frees and clears
// it when set. Loading may throw std::bad_alloc; the exports catch it.
PlatformModule LoadRasLibrary();
void FreeRasLibrary();

// Each trampoline loads the library for the length of its call when it is
// not held, resolves the function by name afresh, passes the arguments on
// unchanged and returns the function's result, or 0 when the library or the
// function is not there. It frees only a library that it loaded itself.
int32_t CallRasGetConnectStatus(HRASCONN handle, RASCONNSTATUS* status);
int32_t CallRasEnumEntries(const char* reserved, const char* phoneBook, RASENTRYNAME* entries,
                           uint32_t* size, uint32_t* count);
int32_t CallRasGetEntryDialParams(const char* phoneBook, RASDIALPARAMS* params,
                                  int32_t* passwordStored);
int32_t CallRasDial(RASDIALEXTENSIONS* extensions, const char* phoneBook, RASDIALPARAMS* params,
                    uint32_t notifierType, void* notifier, HRASCONN* handle);
int32_t CallRasHangUp(HRASCONN handle);
int32_t CallRasEnumConnections(RASCONN* connections, uint32_t* size, uint32_t* count);

// CallRasHangUp that also tells whether the request could be made at all.
int32_t TryCallRasHangUp(HRASCONN handle, bool* available);
// CallRasGetConnectStatus that also tells whether the function could be
// called at all, since its 0 cannot tell "still connected" from "missing".
int32_t TryCallRasGetConnectStatus(HRASCONN handle, RASCONNSTATUS* status, bool* available);
