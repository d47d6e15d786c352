// Following one dial through NetworkManager's signals: the device's state
// walk becomes connection states for the notifier and the status queries,
// a failure reason becomes the dial's error code.
#ifndef NELVO_NM_DIAL_WATCH_H
#define NELVO_NM_DIAL_WATCH_H

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "networkmanager_ras/bus/nm_bus.h"
#include "networkmanager_ras/dial/secret_agent.h"
#include "networkmanager_ras/dial/state_map.h"
#include "networkmanager_ras/dial/vpn_watch.h"
#include "networkmanager_ras/links/dial_table.h"
#include "remote_access/ras_records.h"

namespace nmras {

// One signal, kept until the watch loop can look at it (and, for a device
// it does not know yet, ask NetworkManager whose it is).
struct DialEvent {
  enum Kind { kDevice, kActive, kVpn, kServiceGone } kind;
  std::string path;
  uint32_t state;
  uint32_t reason;
};

struct DialWatch {
  Bus bus;
  SecretAgent agent;       // before the bus closes, its object goes
  PendingCall activation;  // the activation call, kept until its answer
  RasDialFunc notifier = nullptr;
  std::shared_ptr<DialRecord> record;
  std::string active_path;
  std::string device_path;            // "" until known; none for a VPN
  bool vpn = false;                   // a VPN: its own states count, not its base's device's
  const char* device_type = "modem";  // the entry's kind's, once known
  VpnProgress vpn_progress;
  ForwardStates states;
  sd_bus_slot* slots[4] = {nullptr, nullptr, nullptr, nullptr};
  std::deque<DialEvent> events;   // signals not yet handled
  std::deque<DialEvent> unowned;  // device signals of a device not yet known
  bool following = false;         // the entry's link was there: the dial follows it
  // The device has started the dial's activation (or, when following, the
  // link's): a failure signalled before that is another activation's.
  bool device_started = false;
  uint32_t device_reason = 0;
  bool device_failed = false;
  bool replaced = false;  // another activation took the device
  std::chrono::steady_clock::time_point failed_at;
  bool done = false;
  uint32_t result = 0;  // once done: 0 connected, else the error code
  ~DialWatch();
};

// Subscribes to the state signals of NetworkManager's active connections
// and devices, and to its leaving the bus; before the activation, so that
// no signal of the dial can be missed. Returns 0 or the error code.
uint32_t SubscribeDialSignals(DialWatch& watch);

// Starts following the activated dial: reports RASCS_OpenPort and learns the
// dial's device when it was not chosen beforehand.
void BeginWatch(DialWatch& watch);

// Follows the dial until it has connected or failed, or is hung up.
// Returns its result (0 connected).
uint32_t RunWatch(DialWatch& watch);

}  // namespace nmras

#endif
