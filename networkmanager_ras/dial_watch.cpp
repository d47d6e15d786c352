// The dial watcher: a loop over one bus connection of its own, on the
// library's thread (a dial with a notifier) or the caller's (without one).
#include "networkmanager_ras/dial_watch.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "networkmanager_ras/error_map.h"

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

int OnActiveState(sd_bus_message* m, void* data, sd_bus_error*) {
  auto& watch = *static_cast<DialWatch*>(data);
  uint32_t state = 0, reason = 0;
  const char* path = sd_bus_message_get_path(m);
  if (path == nullptr || watch.active_path != path ||
      sd_bus_message_read(m, "uu", &state, &reason) < 0) {
    return 0;
  }
  if (state == kActiveActivated) {
    Finish(watch, 0);
  } else if (state == kActiveDeactivated) {
    Finish(watch, watch.device_failed ? ReasonErrorCode(ReasonSource::kDevice, watch.device_reason)
                                      : ReasonErrorCode(ReasonSource::kActiveConnection, reason));
  }
  return 0;
}

int OnDeviceState(sd_bus_message* m, void* data, sd_bus_error*) {
  auto& watch = *static_cast<DialWatch*>(data);
  uint32_t state = 0, old_state = 0, reason = 0;
  const char* path = sd_bus_message_get_path(m);
  if (path == nullptr || watch.device_path != path || watch.done ||
      sd_bus_message_read(m, "uuu", &state, &old_state, &reason) < 0) {
    return 0;
  }
  if (state == kDeviceFailed) {
    // The dial ends when the active connection is deactivated: until then
    // NetworkManager still reports it activating to other status queries.
    watch.device_failed = true;
    watch.device_reason = reason;
    watch.failed_at = std::chrono::steady_clock::now();
    return 0;
  }
  Report(watch, watch.states.Advance(StatesOfDeviceState(state)));
  return 0;
}

int OnOwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
  auto& watch = *static_cast<DialWatch*>(data);
  const char *name = nullptr, *old_owner = nullptr, *new_owner = nullptr;
  if (sd_bus_message_read(m, "sss", &name, &old_owner, &new_owner) >= 0 &&
      std::strcmp(name, kNmService) == 0 && new_owner[0] == '\0') {
    Finish(watch, kErrorServiceNotRunning);
  }
  return 0;
}

// The first device of the active connection ("" when it has none yet).
std::string FirstDevice(sd_bus* bus, const std::string& active_path) {
  Message reply;
  const char* device = nullptr;
  if (GetProperty(bus, active_path.c_str(), kActiveInterface, "Devices", "ao", reply, 1) != 0 ||
      sd_bus_message_enter_container(reply.get(), 'a', "o") <= 0 ||
      sd_bus_message_read_basic(reply.get(), 'o', &device) <= 0) {
    return "";
  }
  return device;
}

}  // namespace

DialWatch::~DialWatch() {
  for (sd_bus_slot*& slot : slots) slot = sd_bus_slot_unref(slot);
}

uint32_t SubscribeDialSignals(DialWatch& watch) {
  sd_bus* bus = watch.bus.get();
  const std::string active_rule = std::string("type='signal',sender='") + kNmService +
                                  "',interface='" + kActiveInterface + "',member='StateChanged'";
  const std::string device_rule = std::string("type='signal',sender='") + kNmService +
                                  "',interface='" + kDeviceInterface + "',member='StateChanged'";
  const std::string owner_rule = std::string(
                                     "type='signal',sender='org.freedesktop.DBus',member='"
                                     "NameOwnerChanged',arg0='") +
                                 kNmService + "'";
  if (sd_bus_add_match(bus, &watch.slots[0], active_rule.c_str(), OnActiveState, &watch) < 0 ||
      sd_bus_add_match(bus, &watch.slots[1], device_rule.c_str(), OnDeviceState, &watch) < 0 ||
      sd_bus_add_match(bus, &watch.slots[2], owner_rule.c_str(), OnOwnerChanged, &watch) < 0) {
    return kErrorServiceNotRunning;
  }
  return 0;
}

void BeginWatch(DialWatch& watch) {
  Report(watch, watch.states.Advance({RASCS_OpenPort}));
  watch.device_path = FirstDevice(watch.bus.get(), watch.active_path);
  uint32_t state = 0;
  // A link that came up before the first signal was read.
  if (GetUintProperty(watch.bus.get(), watch.active_path.c_str(), kActiveInterface, "State", state,
                      RAS_ERROR_INVALID_HANDLE) == 0 &&
      state == kActiveActivated) {
    Finish(watch, 0);
  }
}

uint32_t RunWatch(DialWatch& watch) {
  sd_bus* bus = watch.bus.get();
  while (!watch.done && !watch.record->stop) {
    int r = sd_bus_process(bus, nullptr);
    if (r > 0) continue;
    if (r >= 0) r = sd_bus_wait(bus, kWaitSliceUsec);
    if (r < 0) Finish(watch, kErrorServiceNotRunning);  // the bus itself went away
    if (watch.device_failed && std::chrono::steady_clock::now() - watch.failed_at > kEndBound) {
      Finish(watch, ReasonErrorCode(ReasonSource::kDevice, watch.device_reason));
    }
    if (watch.device_path.empty() && !watch.done) {
      watch.device_path = FirstDevice(bus, watch.active_path);
    }
  }
  return watch.record->stop ? static_cast<uint32_t>(kErrorUserDisconnection) : watch.result;
}

}  // namespace nmras
