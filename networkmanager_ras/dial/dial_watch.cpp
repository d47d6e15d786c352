// The dial watcher: a loop over one bus connection of its own, on the
// library's thread (a dial with a notifier) or the caller's (without one).
// Signal callbacks only queue what they saw; the loop handles it, so it may
// ask NetworkManager questions on the way.
#include "networkmanager_ras/dial/dial_watch.h"

#include <cstring>
#include <set>
#include <vector>

#include "networkmanager_ras/bus/error_map.h"
#include "networkmanager_ras/links/connections.h"
#include "remote_access/ras_records.h"

namespace nmras {
namespace {

constexpr uint64_t kWaitSliceUsec = 200 * 1000;  // how soon a hang-up is noticed
// How long a failed device may leave its active connection undeactivated.
constexpr std::chrono::seconds kEndBound(3);

// Reports states to the notifier first, then to status queries, so the
// dialer never sees a state before its report line is written.
void Report(DialWatch& watch, const std::vector<uint32_t>& states) {
  for (uint32_t state : states) {
    if (watch.record->stop) return;
    if (watch.notifier != nullptr) watch.notifier(0, state, 0);
    SetDialState(*watch.record, state);
  }
}

void Finish(DialWatch& watch, uint32_t error) {
  if (watch.done) return;
  watch.done = true;
  watch.result = error;
  if (watch.record->stop) return;
  if (error == 0) {
    Report(watch, watch.states.Advance({RASCS_Connected}));
    ForgetDial(*watch.record);
    return;
  }
  if (watch.notifier != nullptr) watch.notifier(0, RASCS_Disconnected, error);
  SetDialFailed(*watch.record, RASCS_Disconnected, error);
}

int Queue(DialWatch& watch, DialEvent event) {
  watch.events.push_back(std::move(event));
  return 0;
}

int OnActiveState(sd_bus_message* m, void* data, sd_bus_error*) {
  uint32_t state = 0, reason = 0;
  const char* path = sd_bus_message_get_path(m);
  if (path == nullptr || sd_bus_message_read(m, "uu", &state, &reason) < 0) return 0;
  return Queue(*static_cast<DialWatch*>(data), {DialEvent::kActive, path, state, reason});
}

int OnDeviceState(sd_bus_message* m, void* data, sd_bus_error*) {
  uint32_t state = 0, old_state = 0, reason = 0;
  const char* path = sd_bus_message_get_path(m);
  if (path == nullptr || sd_bus_message_read(m, "uuu", &state, &old_state, &reason) < 0) return 0;
  return Queue(*static_cast<DialWatch*>(data), {DialEvent::kDevice, path, state, reason});
}

int OnVpnSignal(sd_bus_message* m, void* data, sd_bus_error*) {
  uint32_t state = 0, reason = 0;
  const char* path = sd_bus_message_get_path(m);
  if (path == nullptr || sd_bus_message_read(m, "uu", &state, &reason) < 0) return 0;
  return Queue(*static_cast<DialWatch*>(data), {DialEvent::kVpn, path, state, reason});
}

int OnOwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
  const char *name = nullptr, *old_owner = nullptr, *new_owner = nullptr;
  if (sd_bus_message_read(m, "sss", &name, &old_owner, &new_owner) >= 0 &&
      std::strcmp(name, kNmService) == 0 && new_owner[0] == '\0') {
    Queue(*static_cast<DialWatch*>(data), {DialEvent::kServiceGone, "", 0, 0});
  }
  return 0;
}

// The first device of the active connection ("" when it has none, as once
// it is deactivated).
std::string FirstDevice(sd_bus* bus, const std::string& active_path) {
  std::vector<std::string> devices =
      GetPathsProperty(bus, active_path.c_str(), kActiveInterface, "Devices");
  return devices.empty() ? "" : devices[0];
}

void OnDevice(DialWatch& watch, uint32_t state, uint32_t reason) {
  if (state == kDevicePrepare) watch.device_started = true;
  if (state == kDeviceFailed && watch.device_started) {
    // The dial ends when the active connection is deactivated: until then
    // NetworkManager still reports it activating to other status queries.
    watch.device_failed = true;
    watch.device_reason = reason;
    watch.failed_at = std::chrono::steady_clock::now();
    return;
  }
  // The device leaving an activation for a newer one: the dial's, when the
  // dial's own has not reached it yet (a take-over passes prepare after it).
  if (state == kDeviceDeactivating) watch.replaced = reason == kDeviceReasonNewActivation;
  if (state == kDevicePrepare) watch.replaced = false;
  if (!watch.device_failed && watch.device_started) {
    Report(watch, watch.states.Advance(StatesOfDeviceState(state)));
  }
}

// Takes device as the dial's and handles what it had signalled so far.
void AdoptDevice(DialWatch& watch, const std::string& device) {
  watch.device_path = device;
  for (const DialEvent& event : watch.unowned) {
    if (event.path == device) OnDevice(watch, event.state, event.reason);
  }
  watch.unowned.clear();
}

// A failure so fast that the active connection had lost its device before
// the watch could ask: the one device that walked from prepare to failed
// meanwhile is the dial's. With two such devices nothing is guessed.
void AdoptFailedDevice(DialWatch& watch) {
  std::set<std::string> prepared, failed;
  for (const DialEvent& event : watch.unowned) {
    if (event.state == kDevicePrepare) prepared.insert(event.path);
    if (event.state == kDeviceFailed && prepared.count(event.path)) failed.insert(event.path);
  }
  if (failed.size() == 1) AdoptDevice(watch, *failed.begin());
}

void HandleDeviceEvent(DialWatch& watch, const DialEvent& event) {
  if (watch.device_path.empty()) {
    std::string device = FirstDevice(watch.bus.get(), watch.active_path);
    if (device.empty() && DeviceServes(watch.bus.get(), event.path, watch.active_path)) {
      device = event.path;
    }
    if (device.empty()) {
      watch.unowned.push_back(event);
      return;
    }
    AdoptDevice(watch, device);
  }
  if (event.path == watch.device_path) OnDevice(watch, event.state, event.reason);
}

void HandleActiveEvent(DialWatch& watch, const DialEvent& event) {
  if (event.path != watch.active_path) return;
  if (event.state == kActiveActivated) {
    Finish(watch, 0);
  } else if (event.state == kActiveDeactivated) {
    if (watch.device_path.empty()) AdoptFailedDevice(watch);
    if (watch.replaced) {
      Finish(watch, ReasonErrorCode(ReasonSource::kDevice, kDeviceReasonNewActivation));
    } else if (watch.vpn) {
      Finish(watch, VpnFailureCode(watch.vpn_progress, event.reason));
    } else {
      Finish(watch, watch.device_failed
                        ? ReasonErrorCode(ReasonSource::kDevice, watch.device_reason)
                        : ReasonErrorCode(ReasonSource::kActiveConnection, event.reason));
    }
  }
}

void HandleVpnEvent(DialWatch& watch, const DialEvent& event) {
  if (event.path != watch.active_path) return;
  Report(watch, watch.states.Advance(OnVpnState(watch.vpn_progress, event.state)));
}

void HandleEvents(DialWatch& watch) {
  while (!watch.events.empty() && !watch.done) {
    DialEvent event = std::move(watch.events.front());
    watch.events.pop_front();
    if (event.kind == DialEvent::kDevice && !watch.vpn) HandleDeviceEvent(watch, event);
    if (event.kind == DialEvent::kVpn) HandleVpnEvent(watch, event);
    if (event.kind == DialEvent::kActive) HandleActiveEvent(watch, event);
    if (event.kind == DialEvent::kServiceGone) Finish(watch, RAS_ERROR_RASMAN_CANNOT_INITIALIZE);
  }
}

// A link the dial follows may be anywhere on its way up: the states it has
// passed are reported at once, so the lines do not depend on which of its
// signals came after the dial began to listen.
void ReportWhereTheLinkIs(DialWatch& watch) {
  sd_bus* bus = watch.bus.get();
  uint32_t state = 0;
  if (watch.vpn &&
      GetUintProperty(bus, watch.active_path.c_str(), kVpnInterface, "VpnState", state) == 0) {
    Report(watch, watch.states.Advance(OnVpnState(watch.vpn_progress, state)));
  }
  if (!watch.vpn && !watch.device_path.empty() &&
      GetUintProperty(bus, watch.device_path.c_str(), kDeviceInterface, "State", state) == 0) {
    Report(watch, watch.states.Advance(StatesOfDeviceState(state)));
  }
}

}  // namespace

DialWatch::~DialWatch() {
  for (sd_bus_slot*& slot : slots) slot = sd_bus_slot_unref(slot);
}

uint32_t SubscribeDialSignals(DialWatch& watch) {
  sd_bus* bus = watch.bus.get();
  // NetworkManager's leaving the bus, and no other name's coming and going.
  const std::string owner_rule =
      std::string("type='signal',sender='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") +
      kNmService + "'";
  if (sd_bus_match_signal(bus, &watch.slots[0], kNmService, nullptr, kActiveInterface,
                          "StateChanged", OnActiveState, &watch) < 0 ||
      sd_bus_match_signal(bus, &watch.slots[1], kNmService, nullptr, kDeviceInterface,
                          "StateChanged", OnDeviceState, &watch) < 0 ||
      sd_bus_add_match(bus, &watch.slots[2], owner_rule.c_str(), OnOwnerChanged, &watch) < 0 ||
      (watch.vpn && sd_bus_match_signal(bus, &watch.slots[3], kNmService, nullptr, kVpnInterface,
                                        "VpnStateChanged", OnVpnSignal, &watch) < 0)) {
    return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  return 0;
}

void BeginWatch(DialWatch& watch) {
  watch.device_started = watch.following;
  Report(watch, watch.states.Advance({RASCS_OpenPort}));
  if (watch.device_path.empty() && !watch.vpn)
    watch.device_path = FirstDevice(watch.bus.get(), watch.active_path);
  if (watch.following) ReportWhereTheLinkIs(watch);
  uint32_t state = 0;
  // A link that came up before the first signal was read.
  if (GetUintProperty(watch.bus.get(), watch.active_path.c_str(), kActiveInterface, "State",
                      state) == 0 &&
      state == kActiveActivated) {
    Finish(watch, 0);
  }
}

uint32_t RunWatch(DialWatch& watch) {
  sd_bus* bus = watch.bus.get();
  while (!watch.done && !watch.record->stop) {
    int r = sd_bus_process(bus, nullptr);
    HandleEvents(watch);
    if (r > 0) continue;
    if (r >= 0) r = sd_bus_wait(bus, kWaitSliceUsec);
    if (r < 0) Finish(watch, RAS_ERROR_RASMAN_CANNOT_INITIALIZE);  // the bus itself went away
    if (watch.device_failed && std::chrono::steady_clock::now() - watch.failed_at > kEndBound) {
      Finish(watch, ReasonErrorCode(ReasonSource::kDevice, watch.device_reason));
    }
  }
  return watch.record->stop ? static_cast<uint32_t>(RAS_ERROR_USER_DISCONNECTION) : watch.result;
}

}  // namespace nmras
