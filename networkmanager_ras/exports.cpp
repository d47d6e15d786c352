// The six remote-access functions the dialer resolves, answering from
// NetworkManager. Each checks its records as the real functions do, and
// lets no exception out: C callers cannot take one.
#include <cstring>
#include <new>
#include <vector>

#include "networkmanager_ras/bus/nm_bus.h"
#include "networkmanager_ras/dial/dial_start.h"
#include "networkmanager_ras/links/connections.h"
#include "networkmanager_ras/phone_book/phone_book.h"
#include "networkmanager_ras/phone_book/profile_cache.h"
#include "remote_access/library_export.h"
#include "remote_access/ras_functions.h"
#include "remote_access/ras_records.h"

#define NMRAS_EXPORT extern "C" NELVO_EXPORT

// Each definition below must match its entry in the one list of the six
// functions: a C function cannot be declared twice with other parameters.
#define RAS_FUNCTION_PROTOTYPE(name, bytes, parameters) \
  extern "C" uint32_t RAS_CALL name parameters;
RAS_FUNCTIONS(RAS_FUNCTION_PROTOTYPE)
#undef RAS_FUNCTION_PROTOTYPE

namespace {

template <typename Body>
uint32_t Guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return RAS_ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return RAS_ERROR_UNKNOWN;
  }
}

bool Terminated(const char* field, size_t size) {
  return std::memchr(field, 0, size) != nullptr;
}

// Copies text into a fixed field, cut to fit, NUL-terminated.
void CopyField(char* field, size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), text.size() < size ? text.size() : size - 1);
}

uint32_t CheckDialArguments(const RASDIALEXTENSIONS* extensions, const RASDIALPARAMS* params,
                            uint32_t notifier_type, const void* notifier, const HRASCONN* handle) {
  if (params == nullptr || handle == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMS)) return RAS_ERROR_INVALID_SIZE;
  if (extensions != nullptr && extensions->dwSize != sizeof(RASDIALEXTENSIONS)) {
    return RAS_ERROR_INVALID_SIZE;
  }
  // Only the message/state/error notifier (type 0) is offered.
  if (notifier != nullptr && notifier_type != 0) return RAS_ERROR_INVALID_PARAMETER;
  // A set handle would name a dial to resume, which NetworkManager cannot.
  if (*handle != 0) return RAS_ERROR_INVALID_PARAMETER;
  bool whole = Terminated(params->szEntryName, sizeof params->szEntryName) &&
               Terminated(params->szPhoneNumber, sizeof params->szPhoneNumber) &&
               Terminated(params->szUserName, sizeof params->szUserName) &&
               Terminated(params->szPassword, sizeof params->szPassword);
  return whole ? 0 : RAS_ERROR_INVALID_PARAMETER;
}

}  // namespace

// RasEnumEntriesA: the dial-up profiles' names.
NMRAS_EXPORT uint32_t RAS_CALL RasEnumEntriesA(const char* reserved, const char* phone_book,
                                               RASENTRYNAME* entries, uint32_t* size,
                                               uint32_t* count) {
  if (size == nullptr || count == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (entries != nullptr && entries->dwSize != sizeof(RASENTRYNAME)) return RAS_ERROR_INVALID_SIZE;
  return Guarded([&] {
    std::vector<nmras::Profile> profiles;
    uint32_t code = nmras::CachedProfiles(profiles);
    if (code != 0) return code;
    uint32_t capacity = entries != nullptr ? *size / sizeof(RASENTRYNAME) : 0;
    *size = static_cast<uint32_t>(profiles.size() * sizeof(RASENTRYNAME));
    *count = static_cast<uint32_t>(profiles.size());
    for (uint32_t i = 0; i < profiles.size() && i < capacity; ++i) {
      entries[i].dwSize = sizeof(RASENTRYNAME);
      CopyField(entries[i].szEntryName, sizeof entries[i].szEntryName, profiles[i].id);
    }
    return profiles.size() > capacity ? static_cast<uint32_t>(RAS_ERROR_BUFFER_TOO_SMALL) : 0u;
  });
}

// RasGetEntryDialParamsA: the stored number and user name of an entry, and
// whether NetworkManager keeps its password. The password itself is never
// read: as on Windows, it is not handed out here, and a dial without one
// lets NetworkManager use it.
NMRAS_EXPORT uint32_t RAS_CALL RasGetEntryDialParamsA(const char* phone_book, RASDIALPARAMS* params,
                                                      int32_t* password_stored) {
  if (params == nullptr || password_stored == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMS)) return RAS_ERROR_INVALID_SIZE;
  if (!Terminated(params->szEntryName, sizeof params->szEntryName)) {
    return RAS_ERROR_INVALID_PARAMETER;
  }
  return Guarded([&] {
    nmras::Profile profile;
    uint32_t code = nmras::FindProfile(params->szEntryName, profile);
    if (code != 0) return code;
    CopyField(params->szPhoneNumber, sizeof params->szPhoneNumber, profile.number);
    CopyField(params->szCallbackNumber, sizeof params->szCallbackNumber, "");
    CopyField(params->szUserName, sizeof params->szUserName, profile.username);
    CopyField(params->szPassword, sizeof params->szPassword, "");
    CopyField(params->szDomain, sizeof params->szDomain, "");
    *password_stored = nmras::PasswordStored(profile) ? 1 : 0;
    return 0u;
  });
}

// RasDialA: activates a copy of the entry's profile; asynchronously with a
// notifier, which is then called from the library's own thread.
NMRAS_EXPORT uint32_t RAS_CALL RasDialA(RASDIALEXTENSIONS* extensions, const char* phone_book,
                                        RASDIALPARAMS* params, uint32_t notifier_type,
                                        void* notifier, HRASCONN* handle) {
  uint32_t code = CheckDialArguments(extensions, params, notifier_type, notifier, handle);
  if (code != 0) return code;
  return Guarded(
      [&] { return nmras::Dial(*params, reinterpret_cast<RasDialFunc>(notifier), handle); });
}

// RasGetConnectStatusA: a failed dial answers with its error until it is
// hung up; an unknown handle gives 6.
NMRAS_EXPORT uint32_t RAS_CALL RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUS* status) {
  if (status == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (status->dwSize != sizeof(RASCONNSTATUS)) return RAS_ERROR_INVALID_SIZE;
  return Guarded([&] { return nmras::ConnectionStatus(handle, *status); });
}

// RasEnumConnectionsA: the active dial-up connections.
NMRAS_EXPORT uint32_t RAS_CALL RasEnumConnectionsA(RASCONN* connections, uint32_t* size,
                                                   uint32_t* count) {
  if (size == nullptr || count == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (connections != nullptr && connections->dwSize != sizeof(RASCONN)) {
    return RAS_ERROR_INVALID_SIZE;
  }
  return Guarded([&] {
    std::vector<RASCONN> found;
    uint32_t code = nmras::ListConnections(found);
    if (code != 0) return code;
    uint32_t capacity = connections != nullptr ? *size / sizeof(RASCONN) : 0;
    *size = static_cast<uint32_t>(found.size() * sizeof(RASCONN));
    *count = static_cast<uint32_t>(found.size());
    for (uint32_t i = 0; i < found.size() && i < capacity; ++i) {
      connections[i] = found[i];
      connections[i].dwSize = sizeof(RASCONN);
    }
    return found.size() > capacity ? static_cast<uint32_t>(RAS_ERROR_BUFFER_TOO_SMALL) : 0u;
  });
}

// RasHangUpA: deactivates the connection.
NMRAS_EXPORT uint32_t RAS_CALL RasHangUpA(HRASCONN handle) {
  return Guarded([&] { return nmras::HangUp(handle); });
}
