// Listing, status and hang-up of active connections.
#include "networkmanager_ras/links/connections.h"

#include <cstring>
#include <string>

#include "networkmanager_ras/bus/bus_fields.h"
#include "networkmanager_ras/links/dial_table.h"
#include "networkmanager_ras/links/link_end.h"
#include "networkmanager_ras/phone_book/phone_book.h"

namespace nmras {
namespace {

// What the library reads of one active connection.
struct Active {
  std::string path, id, type, profile_path;
  std::vector<std::string> devices;
  uint32_t state = 0;
  const LinkKind* kind = nullptr;
};

// Reads an active connection from its GetAll reply; false when it is gone.
bool ReadActive(sd_bus_message* m, Active& active) {
  const Field fields[] = {{"Id", "s", &active.id},
                          {"Type", "s", &active.type},
                          {"Connection", "o", &active.profile_path},
                          {"Devices", "ao", &active.devices},
                          {"State", "u", &active.state}};
  return m != nullptr && ReadFields(m, fields) >= 0;
}

Message NewGetAll(sd_bus* bus, const std::string& path) {
  Message call = NewCall(bus, path.c_str(), kPropertiesInterface, "GetAll");
  if (call != nullptr && sd_bus_message_append(call.get(), "s", kActiveInterface) < 0) {
    call.reset();
  }
  return call;
}

// The kind of an active connection, null when it is no entry's link: the
// type says it, or for a Bluetooth or VPN link its profile does (DUN, not a
// personal-area network; a plugin that counts).
const LinkKind* KindOfActive(sd_bus* bus, const Active& active) {
  bool ask_profile = false;
  const LinkKind* kind = KindOfType(active.type, ask_profile);
  if (!ask_profile) return kind;
  Message reply;
  Profile profile;
  if (CallWaiting(bus,
                  NewCall(bus, active.profile_path.c_str(), kProfileInterface, "GetSettings").get(),
                  reply) != 0 ||
      !ReadProfile(reply.get(), profile)) {
    return nullptr;
  }
  return profile.kind;
}

bool IsDialUp(sd_bus* bus, Active& active) {
  active.kind = KindOfActive(bus, active);
  return active.kind != nullptr;
}

// The active dial-up links not yet deactivated, read with pipelined calls;
// owner is NetworkManager's bus name that answered.
uint32_t ListActive(sd_bus* bus, std::vector<Active>& links, std::string& owner) {
  Message reply;
  uint32_t code = GetProperty(bus, kNmPath, kNmInterface, "ActiveConnections", "ao", reply,
                              RAS_ERROR_RASMAN_CANNOT_INITIALIZE);
  std::vector<std::string> paths;
  if (code == 0 && ReadStrings(reply.get(), paths) < 0) code = RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  if (code != 0) return code;
  const char* sender = sd_bus_message_get_sender(reply.get());
  owner = sender != nullptr ? sender : "";
  std::vector<Message> calls, replies;
  for (const std::string& path : paths) calls.push_back(NewGetAll(bus, path));
  code = CallAll(bus, calls, replies);
  for (size_t i = 0; code == 0 && i < paths.size(); ++i) {
    Active active;
    active.path = paths[i];
    if (ReadActive(replies[i].get(), active) && HandleOfActivePath(paths[i].c_str()) != 0 &&
        active.state != kActiveDeactivated && IsDialUp(bus, active)) {
      links.push_back(active);
    }
  }
  return code;
}

RASCONN RecordOf(const Active& active) {
  RASCONN record;
  std::memset(&record, 0, sizeof record);
  record.hrasconn = HandleOfActivePath(active.path.c_str());
  std::strncpy(record.szEntryName, active.id.c_str(), RAS_MAX_ENTRY_NAME);
  std::strncpy(record.szDeviceType, DeviceTypeOfType(active.type), RAS_MAX_DEVICE_TYPE);
  std::strncpy(record.szDeviceName, active.type.c_str(), RAS_MAX_DEVICE_NAME);
  return record;
}

// The dial-up link under a handle, read now. 6 when there is none, when it
// is of another kind, or when the handle was given out by a NetworkManager
// that has since restarted and numbers its links afresh.
uint32_t LinkOfHandle(sd_bus* bus, HRASCONN handle, Active& active) {
  if (handle == 0 || IsOfflineHandle(handle)) return RAS_ERROR_INVALID_HANDLE;
  active.path = ActivePathOfHandle(handle);
  Message reply;
  uint32_t code =
      CallWaiting(bus, NewGetAll(bus, active.path).get(), reply, RAS_ERROR_INVALID_HANDLE);
  if (code != 0) return code;
  const char* owner = sd_bus_message_get_sender(reply.get());
  if (!ReadActive(reply.get(), active) || !IsDialUp(bus, active) ||
      !HandleOwnerMatches(handle, owner != nullptr ? owner : "")) {
    return RAS_ERROR_INVALID_HANDLE;
  }
  return 0;
}

uint32_t StatusFromNetworkManager(HRASCONN handle, RASCONNSTATUS& status) {
  Bus bus;
  Active active;
  uint32_t code = OpenSystemBus(bus);
  if (code == 0) code = LinkOfHandle(bus.get(), handle, active);
  if (code != 0) return code;
  switch (active.state) {
    case kActiveActivated:
      status.rasconnstate = RASCS_Connected;
      break;
    case kActiveDeactivating:
      status.rasconnstate = RASCS_Disconnected;
      break;
    case kActiveActivating:
      status.rasconnstate = RASCS_OpenPort;
      break;
    default:  // deactivated: gone, but for NetworkManager's clean-up
      return RAS_ERROR_INVALID_HANDLE;
  }
  std::strncpy(status.szDeviceType, DeviceTypeOfType(active.type), RAS_MAX_DEVICE_TYPE);
  std::strncpy(status.szDeviceName, active.type.c_str(), RAS_MAX_DEVICE_NAME);
  return 0;
}

}  // namespace

uint32_t ListConnections(std::vector<RASCONN>& connections) {
  Bus bus;
  std::vector<Active> links;
  std::string owner;
  uint32_t code = OpenSystemBus(bus);
  if (code == 0) code = ListActive(bus.get(), links, owner);
  for (const Active& active : links) {
    connections.push_back(RecordOf(active));
    NoteHandleOwner(connections.back().hrasconn, owner);
  }
  return code;
}

std::string ActiveLinkOfEntry(sd_bus* bus, const std::string& entry_id) {
  std::vector<Active> links;
  std::string owner;
  if (ListActive(bus, links, owner) != 0) return "";
  for (const Active& active : links) {
    if (active.id == entry_id && active.state != kActiveDeactivating) return active.path;
  }
  return "";
}

bool DeviceServes(sd_bus* bus, const std::string& device, const std::string& active_path) {
  Message reply;
  const char* active = nullptr;
  return GetProperty(bus, device.c_str(), kDeviceInterface, "ActiveConnection", "o", reply) == 0 &&
         sd_bus_message_read_basic(reply.get(), 'o', &active) > 0 && active_path == active;
}

bool WaitsForSecrets(sd_bus* bus, const std::string& active_path, const std::string& profile_path,
                     std::string& device) {
  Active active;
  Message reply;
  if (CallWaiting(bus, NewGetAll(bus, active_path).get(), reply) != 0 ||
      !ReadActive(reply.get(), active) || active.profile_path != profile_path) {
    return false;
  }
  uint32_t state = 0;
  if (active.devices.empty() ||
      GetUintProperty(bus, active.devices[0].c_str(), kDeviceInterface, "State", state) != 0 ||
      state != kDeviceNeedAuth) {
    return false;
  }
  device = active.devices[0];
  return true;
}

uint32_t ConnectionStatus(HRASCONN handle, RASCONNSTATUS& status) {
  std::memset(reinterpret_cast<char*>(&status) + sizeof status.dwSize, 0,
              sizeof status - sizeof status.dwSize);
  DialStatus dial;
  if (LookUpDial(handle, dial)) {
    status.rasconnstate = dial.state;
    status.dwError = dial.error;
    std::strncpy(status.szDeviceType, dial.device_type, RAS_MAX_DEVICE_TYPE);
    return dial.error;
  }
  return StatusFromNetworkManager(handle, status);
}

uint32_t HangUp(HRASCONN handle) {
  DialStatus dial;
  std::shared_ptr<DialRecord> record = RemoveDial(handle, dial);
  if (record != nullptr && record->active_path.empty()) return 0;  // never reached NetworkManager
  Bus bus;
  Active active;
  uint32_t code = OpenSystemBus(bus);
  if (code == 0) code = LinkOfHandle(bus.get(), handle, active);
  if (code == 0) code = DeactivateActive(bus.get(), active.path);
  // A dial of this process that NetworkManager already dropped is hung up;
  // a failed one whose activation lingers has just been ended.
  return record != nullptr && (dial.error != 0 || code == RAS_ERROR_INVALID_HANDLE) ? 0 : code;
}

}  // namespace nmras
