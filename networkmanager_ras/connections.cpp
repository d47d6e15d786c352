// Listing, status and hang-up of active connections.
#include "networkmanager_ras/connections.h"

#include <cstring>
#include <string>

#include "networkmanager_ras/dial_table.h"
#include "networkmanager_ras/error_map.h"
#include "networkmanager_ras/nm_bus.h"
#include "networkmanager_ras/phone_book.h"
#include "networkmanager_ras/state_map.h"

namespace nmras {
namespace {

// What the listing reads of one active connection.
struct Active {
  std::string id, type, profile_path;
  uint32_t state = 0;
};

// Reads Id, Type, State and Connection from a GetAll reply.
bool ReadActive(sd_bus_message* m, Active& active) {
  if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) return false;
  while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
    const char* key = nullptr;
    const char* text = nullptr;
    if (sd_bus_message_read_basic(m, 's', &key) <= 0) return false;
    int r = 0;
    if (std::strcmp(key, "Id") == 0 || std::strcmp(key, "Type") == 0) {
      r = sd_bus_message_read(m, "v", "s", &text);
      if (r >= 0) (key[0] == 'I' ? active.id : active.type) = text;
    } else if (std::strcmp(key, "Connection") == 0) {
      r = sd_bus_message_read(m, "v", "o", &text);
      if (r >= 0) active.profile_path = text;
    } else if (std::strcmp(key, "State") == 0) {
      r = sd_bus_message_read(m, "v", "u", &active.state);
    } else {
      r = sd_bus_message_skip(m, "v");
    }
    if (r < 0 || sd_bus_message_exit_container(m) < 0) return false;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

// Whether an active connection is of a dial-up kind; a Bluetooth one only
// when its profile is dial-up (DUN), not a personal-area network.
bool IsDialUp(sd_bus* bus, const Active& active) {
  if (active.type == "gsm" || active.type == "cdma" || active.type == "pppoe") return true;
  if (active.type != "bluetooth") return false;
  Message reply;
  Profile profile;
  return CallWaiting(
             bus, NewCall(bus, active.profile_path.c_str(), kProfileInterface, "GetSettings").get(),
             reply, kAnyError) == 0 &&
         ReadProfile(reply.get(), profile);
}

const char* DeviceTypeOf(const std::string& type) {
  return type == "pppoe" ? "PPPoE" : "modem";
}

void AddConnection(const char* path, const Active& active, std::vector<RASCONN>& connections) {
  RASCONN record;
  std::memset(&record, 0, sizeof record);
  record.hrasconn = HandleOfActivePath(path);
  std::strncpy(record.szEntryName, active.id.c_str(), RAS_MAX_ENTRY_NAME);
  std::strncpy(record.szDeviceType, DeviceTypeOf(active.type), RAS_MAX_DEVICE_TYPE);
  std::strncpy(record.szDeviceName, active.type.c_str(), RAS_MAX_DEVICE_NAME);
  connections.push_back(record);
}

uint32_t StatusFromNetworkManager(HRASCONN handle, RASCONNSTATUS& status) {
  Bus bus;
  uint32_t code = OpenSystemBus(bus);
  uint32_t state = 0;
  std::string path = ActivePathOfHandle(handle);
  if (code == 0) {
    code = GetUintProperty(bus.get(), path.c_str(), kActiveInterface, "State", state,
                           RAS_ERROR_INVALID_HANDLE);
  }
  if (code != 0) return code;
  switch (state) {
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
  std::string type = GetStringProperty(bus.get(), path.c_str(), kActiveInterface, "Type");
  std::strncpy(status.szDeviceType, DeviceTypeOf(type), RAS_MAX_DEVICE_TYPE);
  std::strncpy(status.szDeviceName, type.c_str(), RAS_MAX_DEVICE_NAME);
  return 0;
}

}  // namespace

uint32_t ListConnections(std::vector<RASCONN>& connections) {
  Bus bus;
  uint32_t code = OpenSystemBus(bus);
  Message reply;
  if (code == 0) {
    code = GetProperty(bus.get(), kNmPath, kNmInterface, "ActiveConnections", "ao", reply,
                       kErrorServiceNotRunning);
  }
  if (code != 0) return code;
  std::vector<std::string> paths;
  const char* path = nullptr;
  if (sd_bus_message_enter_container(reply.get(), 'a', "o") <= 0) return kErrorServiceNotRunning;
  while (sd_bus_message_read_basic(reply.get(), 'o', &path) > 0) paths.push_back(path);
  for (const std::string& each : paths) {
    Message call = NewCall(bus.get(), each.c_str(), "org.freedesktop.DBus.Properties", "GetAll");
    Message all;
    Active active;
    if (call == nullptr || sd_bus_message_append(call.get(), "s", kActiveInterface) < 0 ||
        CallWaiting(bus.get(), call.get(), all, kAnyError) != 0 || !ReadActive(all.get(), active)) {
      continue;  // gone meanwhile
    }
    if (HandleOfActivePath(each.c_str()) != 0 && active.state != kActiveDeactivated &&
        IsDialUp(bus.get(), active)) {
      AddConnection(each.c_str(), active, connections);
    }
  }
  return 0;
}

uint32_t ConnectionStatus(HRASCONN handle, RASCONNSTATUS& status) {
  std::memset(reinterpret_cast<char*>(&status) + sizeof status.dwSize, 0,
              sizeof status - sizeof status.dwSize);
  DialStatus dial;
  if (LookUpDial(handle, dial)) {
    status.rasconnstate = dial.state;
    status.dwError = dial.error;
    std::strncpy(status.szDeviceType, "modem", RAS_MAX_DEVICE_TYPE);
    return dial.error;
  }
  if (handle == 0 || handle >= 0x80000000u) return RAS_ERROR_INVALID_HANDLE;
  return StatusFromNetworkManager(handle, status);
}

uint32_t HangUp(HRASCONN handle) {
  DialStatus dial;
  std::shared_ptr<DialRecord> record = RemoveDial(handle, dial);
  if (record != nullptr && (dial.error != 0 || record->active_path.empty())) {
    return 0;  // a failed dial: nothing is up any more
  }
  if (handle == 0 || handle >= 0x80000000u) return RAS_ERROR_INVALID_HANDLE;
  Bus bus;
  uint32_t code = OpenSystemBus(bus);
  Message call;
  if (code == 0) call = NewCall(bus.get(), kNmPath, kNmInterface, "DeactivateConnection");
  std::string path = ActivePathOfHandle(handle);
  Message reply;
  if (code == 0 && (call == nullptr || sd_bus_message_append(call.get(), "o", path.c_str()) < 0)) {
    code = kErrorServiceNotRunning;
  }
  if (code == 0) code = CallWaiting(bus.get(), call.get(), reply, RAS_ERROR_INVALID_HANDLE);
  // A dial of this process that NetworkManager already dropped is hung up.
  return record != nullptr && code == RAS_ERROR_INVALID_HANDLE ? 0 : code;
}

}  // namespace nmras
