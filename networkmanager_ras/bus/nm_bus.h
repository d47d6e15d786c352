// A connection to the system bus and calls to NetworkManager over it,
// with their failures already turned into remote-access error codes.
// One bus object per call of an exported function (and one per dial
// watcher): sd-bus objects belong to one thread at a time.
#ifndef NELVO_NM_BUS_H
#define NELVO_NM_BUS_H

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "networkmanager_ras/bus/nm_names.h"
#include "remote_access/ras_records.h"

namespace nmras {

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

// How long a call waits for NetworkManager's answer, unless it says so.
constexpr uint64_t kCallTimeoutUsec = 5 * 1000 * 1000;

// While one lives, no call on this thread waits past its deadline (the
// dial lock's hold time); UINT64_MAX sets none. They nest.
class CallDeadline {
 public:
  explicit CallDeadline(uint64_t usec_from_now);
  ~CallDeadline();
  CallDeadline(const CallDeadline&) = delete;
  CallDeadline& operator=(const CallDeadline&) = delete;

 private:
  std::chrono::steady_clock::time_point saved_;
};

// Sends a prepared call to NetworkManager and waits for its reply (0:
// kCallTimeoutUsec), never past the thread's call deadline. Returns 0, or the error code of the
// failure (fallback for D-Bus errors the error table does not know).
uint32_t CallWaiting(sd_bus* bus, sd_bus_message* call, Message& reply,
                     uint32_t fallback = RAS_ERROR_UNKNOWN, uint64_t timeout_usec = 0);

// A call whose answer may be awaited in more than one bounded wait: an
// activation whose answer is late must still be seen, so that what
// NetworkManager does on it after all can be undone.
struct PendingCall {
  sd_bus_slot* slot = nullptr;
  Message reply;      // the answer, once there and not an error
  std::string error;  // its D-Bus error name, once there and an error
  int errno_value = 0;
  bool answered = false;
  PendingCall() = default;
  PendingCall(const PendingCall&) = delete;
  PendingCall& operator=(const PendingCall&) = delete;
  ~PendingCall() { sd_bus_slot_unref(slot); }
};

// Sends call, its answer to be awaited with AwaitCall. Returns 0 or the
// error code.
uint32_t StartCall(sd_bus* bus, sd_bus_message* call, PendingCall& pending);

// Waits at most timeout_usec for the answer, serving the bus meanwhile (a
// secret agent on it answers). Returns 0 with pending.reply set, the error
// code of an error answer (fallback for names the table does not know),
// or 638 when none came in time; the call stays pending.
uint32_t AwaitCall(sd_bus* bus, PendingCall& pending, uint64_t timeout_usec,
                   uint32_t fallback = RAS_ERROR_UNKNOWN);

// Sends all the calls at once and collects their replies, as libnm does:
// one round trip's wait for many profiles. replies[i] is null where call i
// failed. Returns 0, or 711 when the bus itself failed.
uint32_t CallAll(sd_bus* bus, const std::vector<Message>& calls, std::vector<Message>& replies);

// NetworkManager's unique bus name now; "" when it is not on the bus.
std::string ServiceOwner(sd_bus* bus);

// A new method call to NetworkManager; null when it cannot be made.
Message NewCall(sd_bus* bus, const char* path, const char* interface, const char* member);

// Reads one property of a NetworkManager object into reply, positioned at
// the value inside its variant (type is the value's signature).
uint32_t GetProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                     const char* type, Message& reply, uint32_t fallback = RAS_ERROR_UNKNOWN);

// An object-path array property ("ao"); empty on any failure.
std::vector<std::string> GetPathsProperty(sd_bus* bus, const char* path, const char* interface,
                                          const char* name);

// The string property of a NetworkManager object ("" on any failure).
std::string GetStringProperty(sd_bus* bus, const char* path, const char* interface,
                              const char* name);

// A uint32 property; returns 0 or the error code.
uint32_t GetUintProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                         uint32_t& value, uint32_t fallback = RAS_ERROR_UNKNOWN);

// Handles from here up name dials that never reached NetworkManager, whose
// active-connection numbers stay far below.
constexpr uint32_t kFirstOfflineHandle = 0x80000000u;
inline bool IsOfflineHandle(uint32_t handle) {
  return handle >= kFirstOfflineHandle;
}

// The handle of an active connection: the number N of its path
// .../ActiveConnection/N, or 0 when the path has no such number.
uint32_t HandleOfActivePath(const char* path);
std::string ActivePathOfHandle(uint32_t handle);

}  // namespace nmras

#endif
