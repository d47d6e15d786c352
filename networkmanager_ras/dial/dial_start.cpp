// Starting a dial: the entry's link when it is already up, else an
// activation on a free device that offers the profile: the profile itself
// when the caller gives no password (NetworkManager uses what it keeps),
// or a copy with the caller's values and the dial's secret agent. The look
// and the start are one step for every dial on the machine (dial_lock.h).
#include "networkmanager_ras/dial/dial_start.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "networkmanager_ras/bus/bus_fields.h"
#include "networkmanager_ras/bus/permissions.h"
#include "networkmanager_ras/dial/dial_copy.h"
#include "networkmanager_ras/dial/dial_lock.h"
#include "networkmanager_ras/dial/dial_watch.h"
#include "networkmanager_ras/links/connections.h"
#include "networkmanager_ras/links/link_end.h"
#include "networkmanager_ras/phone_book/phone_book.h"

namespace nmras {
namespace {

constexpr uint64_t kActivationTimeoutUsec = 25 * 1000 * 1000;
// How much longer a dial that gave up waits for a late answer, to end
// what it started.
constexpr uint64_t kLateAnswerBoundUsec = 30 * 1000 * 1000;
constexpr std::chrono::milliseconds kDeviceShowsBound(1000);

// Whether a device offers the profile and carries no link now.
bool IsFreeFor(sd_bus* bus, const std::string& device, const std::string& profile_path) {
  Message call = NewCall(bus, device.c_str(), kPropertiesInterface, "GetAll");
  Message reply;
  std::vector<std::string> available;
  std::string active;
  const Field fields[] = {{"AvailableConnections", "ao", &available},
                          {"ActiveConnection", "o", &active}};
  if (call == nullptr || sd_bus_message_append(call.get(), "s", kDeviceInterface) < 0 ||
      CallWaiting(bus, call.get(), reply) != 0 || ReadFields(reply.get(), fields) < 0) {
    return false;
  }
  bool offers = false;
  for (const std::string& path : available) offers = offers || path == profile_path;
  return offers && (active.empty() || active == "/");
}

// A free device that offers the profile, as NetworkManager itself prefers
// one; "" when there is none. Chosen beforehand so that the dial knows
// whose signals are its own even when it fails at once.
std::string ChooseDevice(sd_bus* bus, const std::string& profile_path) {
  for (const std::string& device : GetPathsProperty(bus, kNmPath, kNmInterface, "Devices")) {
    if (IsFreeFor(bus, device, profile_path)) return device;
  }
  return "";
}

// The activation of the profile itself; NetworkManager supplies its secrets.
uint32_t ActivationOfProfile(sd_bus* bus, const Profile& profile, const std::string& device,
                             Message& call) {
  call = NewCall(bus, kNmPath, kNmInterface, "ActivateConnection");
  if (call == nullptr ||
      sd_bus_message_append(call.get(), "ooo", profile.path.c_str(), device.c_str(), "/") < 0) {
    return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  return 0;
}

// The dial's agent for a copy of profile: the caller's password, else the
// stored one, and the stored PIN or other secrets, where the caller may
// read them.
void PrepareAgent(sd_bus* bus, const RASDIALPARAMS& params, const Profile& profile,
                  const Permissions& permissions, SecretAgent& agent) {
  agent.uuid = NewUuid();
  agent.setting = profile.secret_setting;
  agent.vpn = profile.kind->in_data;
  agent.other_keys = profile.kind->stored_secrets;
  ReadStoredSecrets(bus, profile, permissions, agent.secrets);
  if (params.szPassword[0] != '\0') agent.secrets.password.Set(params.szPassword);
}

// The activation of a copy with the caller's values, and the dial's agent
// that holds its secrets.
uint32_t ActivationOfCopy(const RASDIALPARAMS& params, const Profile& profile,
                          const std::string& device, const Permissions& permissions,
                          DialWatch& watch, Message& call) {
  sd_bus* bus = watch.bus.get();
  Message settings;
  // Read afresh: the profile may have been deleted since it was listed.
  uint32_t code =
      CallWaiting(bus, NewCall(bus, profile.path.c_str(), kProfileInterface, "GetSettings").get(),
                  settings, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  SecretAgent& agent = watch.agent;
  if (code == 0) PrepareAgent(bus, params, profile, permissions, agent);
  if (code == 0 && agent.uuid.empty()) code = RAS_ERROR_UNKNOWN;
  DialValues values{params.szPhoneNumber, params.szUserName, {}};
  for (int i = 0; agent.other_keys != nullptr && agent.other_keys[i] != nullptr; ++i) {
    if (!agent.secrets.others[i].empty()) values.handed_secrets.push_back(agent.other_keys[i]);
  }
  if (code == 0) {
    code = BuildActivation(bus, settings.get(), profile, values, agent.uuid, device, call);
  }
  if (code == 0) code = RegisterSecretAgent(bus, agent);
  return code;
}

// Reads the active connection from an activation's answer: ActivateConnection's
// "o", or AddAndActivateConnection2's "o" of the copy, then the active one.
uint32_t ActivePathOfAnswer(sd_bus_message* reply, DialWatch& watch) {
  const char* signature = sd_bus_message_get_signature(reply, 1);
  const char *profile_path = nullptr, *active = nullptr;
  int r = signature != nullptr && signature[0] == 'o' && signature[1] == 'o'
              ? sd_bus_message_read(reply, "oo", &profile_path, &active)
              : sd_bus_message_read(reply, "o", &active);
  if (r <= 0 || HandleOfActivePath(active) == 0) return RAS_ERROR_UNKNOWN;
  watch.active_path = active;
  return 0;
}

// Holds until NetworkManager shows the activation on its device (or a
// moment has passed), so the next dial under the lock sees the device busy.
void AwaitDeviceShowsActivation(sd_bus* bus, const std::string& device, const std::string& active,
                                const DialLock& lock) {
  uint64_t bound = std::min<uint64_t>(std::chrono::microseconds(kDeviceShowsBound).count(),
                                      lock.RemainingUsec());
  auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(bound);
  while (!DeviceServes(bus, device, active) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Activates the entry on device ("" when none is free; "/" for a VPN,
// which NetworkManager's primary connection carries); fills the watch's
// active path. The call is left pending when its answer is late.
uint32_t ActivateEntry(const RASDIALPARAMS& params, const Profile& profile,
                       const std::string& device, DialWatch& watch, const DialLock& lock) {
  sd_bus* bus = watch.bus.get();
  if (device.empty()) return RAS_ERROR_PORT_NOT_AVAILABLE;  // a busy one's link would end
  if (!watch.vpn) watch.device_path = device;
  bool own_values = params.szPassword[0] != '\0' || profile.username != params.szUserName ||
                    profile.number != params.szPhoneNumber;
  // No activation is asked for while polkit does not answer (permissions.h).
  Permissions permissions;
  uint32_t code = ReadPermissions(bus, permissions);
  Message call;
  if (code == 0) {
    code = own_values ? ActivationOfCopy(params, profile, device, permissions, watch, call)
                      : ActivationOfProfile(bus, profile, device, call);
  }
  if (code == 0) code = SubscribeDialSignals(watch);
  if (code == 0) code = StartCall(bus, call.get(), watch.activation);
  // The activation waits for polkit's answer too: give it longer. A VPN
  // refused at once (no base link, no plugin) could not be set up.
  if (code == 0) {
    code = AwaitCall(bus, watch.activation, kActivationTimeoutUsec,
                     watch.vpn ? RAS_ERROR_AUTOMATIC_VPN_FAILED : RAS_ERROR_UNKNOWN);
  }
  if (code == 0) code = ActivePathOfAnswer(watch.activation.reply.get(), watch);
  if (code == 0 && !watch.vpn) {
    AwaitDeviceShowsActivation(bus, device, watch.active_path, lock);
  }
  return code;
}

// Under the dial lock, which also makes two dials of one entry give one
// link: the entry's link when it is up or coming up (the dial follows it),
// else a new activation: on a free device, or for a VPN, which takes no
// device of its own, on the primary connection, which NetworkManager picks
// in the same step as it starts the VPN (nm-manager.c, for a VPN with no
// specific object). A modem's activation of the entry's own profile that
// waits for secrets no agent gives is taken over by a dial that brings a
// password: its copy replaces it on the same device, and the dial's agent
// answers. Answering the waiting activation itself could make
// NetworkManager save the password in the profile, as it does with
// secrets an agent returns for a profile that keeps them (password flags
// 0). A VPN in need-auth is never taken over: another client's agent is at
// work on it, and the dial follows it instead.
uint32_t Activate(const RASDIALPARAMS& params, DialWatch& watch) {
  if (!IsUtf8(params.szPassword)) return RAS_ERROR_INVALID_PARAMETER;
  uint32_t code = OpenSystemBus(watch.bus);
  sd_bus* bus = watch.bus.get();
  Profile profile;
  if (code == 0) code = FindProfile(params.szEntryName, profile);
  if (code != 0) return code;
  watch.device_type = profile.kind->device_type;
  watch.vpn = profile.kind->rides_on_base;
  watch.vpn_progress.refused_code = profile.kind->refused_code;
  DialLock lock;
  // The lock is let go within its hold time: no call under it waits longer.
  CallDeadline deadline(lock.RemainingUsec());
  std::string link = ActiveLinkOfEntry(bus, profile.id);
  std::string device;
  bool take_over = !link.empty() && !watch.vpn && params.szPassword[0] != '\0' &&
                   WaitsForSecrets(bus, link, profile.path, device);
  if (!link.empty() && !take_over) {
    watch.active_path = link;
    watch.following = true;
    return SubscribeDialSignals(watch);
  }
  if (watch.vpn) return ActivateEntry(params, profile, "/", watch, lock);
  if (!take_over) device = ChooseDevice(bus, profile.path);
  return ActivateEntry(params, profile, device, watch, lock);
}

// An activation whose answer came after the dial gave up may still have
// started (NetworkManager adds a copy only once polkit has answered, in
// nm-manager.c's _add_and_activate_auth_done): it is ended as soon as its
// answer comes, within a bound. Its copy, volatile, goes with it; its
// secrets are refused meanwhile, so it cannot come up.
void EndLateActivation(DialWatch& watch) {
  if (watch.activation.slot == nullptr || watch.activation.answered) return;
  watch.agent.refusing = true;
  sd_bus* bus = watch.bus.get();
  if (AwaitCall(bus, watch.activation, kLateAnswerBoundUsec) == 0 &&
      ActivePathOfAnswer(watch.activation.reply.get(), watch) == 0) {
    DeactivateActive(bus, watch.active_path);
  }
}

// The library's own thread: nothing may escape it, or the process ends.
void WatchInBackground(std::unique_ptr<DialWatch> watch) {
  try {
    BeginWatch(*watch);
    RunWatch(*watch);
  } catch (...) {
    SetDialFailed(*watch->record, RASCS_Disconnected, RAS_ERROR_UNKNOWN);
  }
}

}  // namespace

uint32_t Dial(const RASDIALPARAMS& params, RasDialFunc notifier, HRASCONN* handle) {
  auto watch = std::make_unique<DialWatch>();
  watch->notifier = notifier;
  uint32_t code = Activate(params, *watch);
  if (code == RAS_ERROR_REQUEST_TIMEOUT) EndLateActivation(*watch);
  if (code != 0) {
    *handle = AddFailedDial(code, watch->device_type);
    return code;
  }
  *handle = HandleOfActivePath(watch->active_path.c_str());
  NoteHandleOwner(*handle, ServiceOwner(watch->bus.get()));
  watch->record = AddDial(*handle, watch->active_path, watch->device_type);
  if (notifier == nullptr) {
    BeginWatch(*watch);
    return RunWatch(*watch);
  }
  std::shared_ptr<DialRecord> record = watch->record;
  try {
    std::thread(WatchInBackground, std::move(watch)).detach();
  } catch (...) {
    SetDialFailed(*record, RASCS_Disconnected, RAS_ERROR_UNKNOWN);
    return RAS_ERROR_UNKNOWN;
  }
  return 0;
}

}  // namespace nmras
