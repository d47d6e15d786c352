// Bus connection and NetworkManager calls over sd-bus.
#include "networkmanager_ras/nm_bus.h"

#include <cerrno>
#include <cstdlib>

#include "networkmanager_ras/error_map.h"

namespace nmras {

uint32_t OpenSystemBus(Bus& bus) {
  sd_bus* opened = nullptr;
  if (sd_bus_open_system(&opened) < 0) {
    return kErrorServiceNotRunning;
  }
  bus.reset(opened);
  // A NetworkManager that hangs must not hold a status poll for long.
  sd_bus_set_method_call_timeout(opened, kCallTimeoutUsec);
  return 0;
}

uint32_t CallWaiting(sd_bus* bus, sd_bus_message* call, Message& reply, uint32_t fallback,
                     uint64_t timeout_usec) {
  if (call == nullptr) {
    return kErrorServiceNotRunning;
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* answer = nullptr;
  int r = sd_bus_call(bus, call, timeout_usec, &error, &answer);
  uint32_t code = r < 0 ? BusErrorCode(error.name, r, fallback) : 0;
  sd_bus_error_free(&error);
  reply.reset(answer);
  return code;
}

Message NewCall(sd_bus* bus, const char* path, const char* interface, const char* member) {
  sd_bus_message* call = nullptr;
  if (sd_bus_message_new_method_call(bus, &call, kNmService, path, interface, member) < 0) {
    return nullptr;
  }
  return Message(call);
}

uint32_t GetProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                     const char* type, Message& reply, uint32_t fallback) {
  Message call = NewCall(bus, path, "org.freedesktop.DBus.Properties", "Get");
  if (call == nullptr || sd_bus_message_append(call.get(), "ss", interface, name) < 0) {
    return kErrorServiceNotRunning;
  }
  uint32_t code = CallWaiting(bus, call.get(), reply, fallback);
  if (code == 0 && sd_bus_message_enter_container(reply.get(), 'v', type) <= 0) {
    return fallback;
  }
  return code;
}

std::string GetStringProperty(sd_bus* bus, const char* path, const char* interface,
                              const char* name) {
  Message reply;
  const char* value = nullptr;
  if (GetProperty(bus, path, interface, name, "s", reply, kAnyError) != 0 ||
      sd_bus_message_read_basic(reply.get(), 's', &value) <= 0) {
    return "";
  }
  return value;
}

uint32_t GetUintProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                         uint32_t& value, uint32_t fallback) {
  Message reply;
  uint32_t code = GetProperty(bus, path, interface, name, "u", reply, fallback);
  if (code == 0 && sd_bus_message_read_basic(reply.get(), 'u', &value) <= 0) {
    return fallback;
  }
  return code;
}

uint32_t HandleOfActivePath(const char* path) {
  const std::string prefix = kActivePrefix;
  std::string text = path != nullptr ? path : "";
  if (text.compare(0, prefix.size(), prefix) != 0 || text.size() == prefix.size() ||
      text.size() > prefix.size() + 9) {
    return 0;
  }
  uint32_t number = 0;
  for (size_t i = prefix.size(); i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return 0;
    }
    number = number * 10 + static_cast<uint32_t>(text[i] - '0');
  }
  // Handles from 0x80000000 up name dials that never reached NetworkManager.
  return number < 0x80000000u ? number : 0;
}

std::string ActivePathOfHandle(uint32_t handle) {
  return kActivePrefix + std::to_string(handle);
}

}  // namespace nmras
