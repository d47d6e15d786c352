// The platform's module calls, answered by a fake rasapi32 that lives in
// this process: a small phone book, active connections and dials that end
// at once, each behaving as the world's settings ask.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "remote_access/dial_values.h"
#include "remote_access/ras_functions.h"
#include "tests/fuzz/memory_world.h"
#include "tests/fuzz/memory_world_internal.h"

namespace {

struct FakeConnection {
  HRASCONN handle;
  std::string entry;
  uint32_t state;
  uint32_t error;
  int polls;
};

int module_references = 0;
char module_token;
std::vector<FakeConnection> connections;
std::vector<std::string> dialled_passwords;
HRASCONN next_handle = 0x1000;
int enumerations = 0;

// Case differs between the first and third names; blanks and a tab stay in
// the names as the phone book holds them; one name is blanks only.
std::vector<std::string> PhoneBook() {
  switch (MemorySettings().book) {
    case kBookEmpty:
    case kBookLibraryMissing:
      return {};
    case kBookSingle:
      return {"Office"};
    default:
      break;
  }
  std::vector<std::string> names = {"Office",   "  Home Dial  ", "OFFICE",
                                    "\x84rger", "Work\tVPN",     "   "};
  if (MemorySettings().book == kBookGrowsBetween) {
    for (int i = 0; i < enumerations; ++i) names.push_back("Added " + std::to_string(i));
  }
  return names;
}

template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  size_t length = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

FakeConnection* FindConnection(HRASCONN handle) {
  for (FakeConnection& connection : connections) {
    if (connection.handle == handle) return &connection;
  }
  return nullptr;
}

uint32_t RAS_CALL FakeRasEnumEntriesA(const char*, const char*, RASENTRYNAME* entries,
                                      uint32_t* size, uint32_t* count) {
  if (entries == nullptr || size == nullptr || count == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (entries[0].dwSize != sizeof(RASENTRYNAME)) return RAS_ERROR_INVALID_SIZE;
  if (MemorySettings().book == kBookEnumFails) return 621;  // phone book cannot be opened
  std::vector<std::string> names = PhoneBook();
  ++enumerations;
  uint32_t needed = uint32_t(names.size() * sizeof(RASENTRYNAME));
  if (*size < needed) {
    *size = needed;
    *count = uint32_t(names.size());
    return RAS_ERROR_BUFFER_TOO_SMALL;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    entries[i].dwSize = sizeof(RASENTRYNAME);
    CopyField(entries[i].szEntryName, names[i]);
  }
  *count = uint32_t(names.size());
  return 0;
}

uint32_t RAS_CALL FakeRasGetEntryDialParamsA(const char*, RASDIALPARAMS* params, int32_t* stored) {
  if (params == nullptr || stored == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMS)) return RAS_ERROR_INVALID_SIZE;
  if (MemorySettings().dial == kDialParamsFail) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  bool known = false;
  for (const std::string& name : PhoneBook()) known = known || name == params->szEntryName;
  if (!known) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  CopyField(params->szPhoneNumber, "5550100");
  CopyField(params->szUserName, "stored");
  CopyField(params->szPassword, "stored password");
  *stored = 1;
  return 0;
}

// Reports states through the notifier on the caller's thread, then leaves
// the dial to the status queries.
uint32_t RAS_CALL FakeRasDialA(RASDIALEXTENSIONS*, const char*, RASDIALPARAMS* params, uint32_t,
                               void* notifier, HRASCONN* handle) {
  if (params == nullptr || handle == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMS)) return RAS_ERROR_INVALID_SIZE;
  dialled_passwords.push_back(params->szPassword);
  DialKind dial = MemorySettings().dial;
  FakeConnection connection = {next_handle++, params->szEntryName, RASCS_ConnectDevice, 0, 0};
  if (dial == kDialFails) connection.error = RAS_ERROR_LINE_BUSY;
  if (dial == kDialConnects) connection.state = RASCS_Connected;
  connections.push_back(connection);
  *handle = connection.handle;
  if (notifier != nullptr) {
    RasDialFunc notify = reinterpret_cast<RasDialFunc>(notifier);
    notify(0, RASCS_OpenPort, 0);
    notify(0, RASCS_ConnectDevice, connection.error);
    if (dial == kDialConnects) {
      for (uint32_t state : {RASCS_DeviceConnected, RASCS_Authenticate, RASCS_AuthNotify,
                             RASCS_Authenticated, RASCS_Projected, RASCS_Connected}) {
        notify(0, state, 0);
      }
    }
  }
  return 0;
}

uint32_t RAS_CALL FakeRasGetConnectStatusA(HRASCONN handle, RASCONNSTATUS* status) {
  if (status == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (status->dwSize != sizeof(RASCONNSTATUS)) return RAS_ERROR_INVALID_SIZE;
  FakeConnection* connection = FindConnection(handle);
  if (connection == nullptr) return RAS_ERROR_INVALID_HANDLE;
  ++connection->polls;
  DialKind dial = MemorySettings().dial;
  if (dial == kDialStatusFails && connection->polls > 2) return RAS_ERROR_INVALID_HANDLE;
  if (dial == kDialCancelled && connection->polls == 2) {
    MemoryFiles()[WorldFileKey(CancelFileName)];  // another program creates it
  }
  status->rasconnstate = connection->state;
  status->dwError = connection->error;
  return 0;
}

uint32_t RAS_CALL FakeRasEnumConnectionsA(RASCONN* records, uint32_t* size, uint32_t* count) {
  if (records == nullptr || size == nullptr || count == nullptr) return RAS_ERROR_INVALID_PARAMETER;
  if (records[0].dwSize != sizeof(RASCONN)) return RAS_ERROR_INVALID_SIZE;
  uint32_t needed = uint32_t(connections.size() * sizeof(RASCONN));
  if (*size < needed) {
    *size = needed;
    *count = uint32_t(connections.size());
    return RAS_ERROR_BUFFER_TOO_SMALL;
  }
  for (size_t i = 0; i < connections.size(); ++i) {
    records[i].dwSize = sizeof(RASCONN);
    records[i].hrasconn = connections[i].handle;
    CopyField(records[i].szEntryName, connections[i].entry);
  }
  *count = uint32_t(connections.size());
  return 0;
}

uint32_t RAS_CALL FakeRasHangUpA(HRASCONN handle) {
  FakeConnection* connection = FindConnection(handle);
  if (connection == nullptr) return RAS_ERROR_INVALID_HANDLE;
  if (!MemorySettings().hang_up_never_completes) {
    connections.erase(connections.begin() + (connection - connections.data()));
  }
  return 0;
}

// Each fake has its function's type, in the list's order.
#define FAKE_FUNCTION(name, bytes, parameters) \
  reinterpret_cast<void*>(static_cast<name##Func>(&Fake##name)),
void* const kFakeFunctions[kRasFunctionCount] = {RAS_FUNCTIONS(FAKE_FUNCTION)};
#undef FAKE_FUNCTION

}  // namespace

void ReleaseFakeService() {
  std::vector<FakeConnection>().swap(connections);
  std::vector<std::string>().swap(dialled_passwords);
}

void ResetFakeService() {
  connections.clear();
  dialled_passwords.clear();
  enumerations = 0;
  next_handle = 0x1000;
  std::vector<std::string> names = PhoneBook();
  for (int i = 0; i < MemorySettings().active_connections && !names.empty(); ++i) {
    connections.push_back({next_handle++, names[size_t(i) % names.size()], RASCS_Connected, 0, 0});
  }
}

int WorldModuleReferences() {
  return module_references;
}

const std::vector<std::string>& WorldDialledPasswords() {
  return dialled_passwords;
}

// Only "rasapi32.dll", in any case, loads, and only while the world has it.
PlatformModule PlatformLoadModule(const char* name) {
  if (MemorySettings().book == kBookLibraryMissing) return nullptr;
  if (strcasecmp(name, "rasapi32.dll") != 0) return nullptr;
  ++module_references;
  return &module_token;
}

// Resolving through a module that is not loaded is a fault of the caller.
void* PlatformResolve(PlatformModule module, const char* name) {
  if (module != &module_token || module_references <= 0) abort();
  for (int i = 0; i < 6; ++i) {
    if (std::strcmp(name, kRasFunctionNames[i]) != 0) continue;
    return (MemorySettings().missing_functions >> i) & 1 ? nullptr : kFakeFunctions[i];
  }
  return nullptr;
}

// Freeing more often than loading is a fault of the caller.
void PlatformFreeModule(PlatformModule module) {
  if (module == nullptr) return;
  if (module != &module_token || --module_references < 0) abort();
}
