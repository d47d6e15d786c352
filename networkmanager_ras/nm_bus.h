// A connection to the system bus and calls to NetworkManager over it,
// with their failures already turned into remote-access error codes.
// One bus object per call of an exported function (and one per dial
// watcher): sd-bus objects belong to one thread at a time.
#ifndef NELVO_NM_BUS_H
#define NELVO_NM_BUS_H

#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>
#include <string>

namespace nmras {

constexpr const char* kNmService = "org.freedesktop.NetworkManager";
constexpr const char* kNmPath = "/org/freedesktop/NetworkManager";
constexpr const char* kNmInterface = "org.freedesktop.NetworkManager";
constexpr const char* kSettingsPath = "/org/freedesktop/NetworkManager/Settings";
constexpr const char* kSettingsInterface = "org.freedesktop.NetworkManager.Settings";
constexpr const char* kProfileInterface = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr const char* kActiveInterface = "org.freedesktop.NetworkManager.Connection.Active";
constexpr const char* kDeviceInterface = "org.freedesktop.NetworkManager.Device";
constexpr const char* kActivePrefix = "/org/freedesktop/NetworkManager/ActiveConnection/";

struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

struct BusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, BusUnref>;

// Opens the system bus ($DBUS_SYSTEM_BUS_ADDRESS when set). Returns 0, or
// 711 when there is no bus to reach.
uint32_t OpenSystemBus(Bus& bus);

// The fallback code of calls whose callers only ask whether they failed.
constexpr uint32_t kAnyError = 1;

// How long a call waits for NetworkManager's answer, unless it says so.
constexpr uint64_t kCallTimeoutUsec = 5 * 1000 * 1000;

// Sends a prepared call to NetworkManager and waits for its reply (0: the
// bus's timeout). Returns 0, or the error code of the failure (fallback for
// D-Bus errors the error table does not know).
uint32_t CallWaiting(sd_bus* bus, sd_bus_message* call, Message& reply, uint32_t fallback,
                     uint64_t timeout_usec = 0);

// A new method call to NetworkManager; null when it cannot be made.
Message NewCall(sd_bus* bus, const char* path, const char* interface, const char* member);

// Reads one property of a NetworkManager object into reply, positioned at
// the value inside its variant (type is the value's signature).
uint32_t GetProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                     const char* type, Message& reply, uint32_t fallback);

// The string property of a NetworkManager object ("" on any failure).
std::string GetStringProperty(sd_bus* bus, const char* path, const char* interface,
                              const char* name);

// A uint32 property; returns 0 or the error code.
uint32_t GetUintProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                         uint32_t& value, uint32_t fallback);

// The handle of an active connection: the number N of its path
// .../ActiveConnection/N, or 0 when the path has no such number.
uint32_t HandleOfActivePath(const char* path);
std::string ActivePathOfHandle(uint32_t handle);

}  // namespace nmras

#endif
