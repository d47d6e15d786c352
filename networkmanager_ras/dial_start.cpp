// Starting a dial: the entry's link when it is already up, else an
// activation on a free device that offers the profile: the profile itself
// when the caller gives no password (NetworkManager uses what it keeps),
// or a copy with the caller's values and the dial's secret agent. The look
// and the start are one step for every dial on the machine (dial_lock.h).
#include "networkmanager_ras/dial_start.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "networkmanager_ras/bus_fields.h"
#include "networkmanager_ras/connections.h"
#include "networkmanager_ras/dial_copy.h"
#include "networkmanager_ras/dial_lock.h"
#include "networkmanager_ras/dial_watch.h"
#include "networkmanager_ras/link_end.h"
#include "networkmanager_ras/phone_book.h"
#include "networkmanager_ras/vpn_watch.h"

namespace nmras {
namespace {

constexpr uint64_t kActivationTimeoutUsec = 25 * 1000 * 1000;
// A dial waits for the lock at most as long as its holder may wait for an
// activation's answer, and a little more.
constexpr std::chrono::milliseconds kLockBound(30 * 1000);
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

// Deletes the copy of uuid, which ends its activation: one that NetworkManager
// finishes after the dial gave up must not stay up with no one's handle.
void DeleteCopy(sd_bus* bus, const std::string& uuid) {
  Message call = NewCall(bus, kSettingsPath, kSettingsInterface, "GetConnectionByUuid");
  Message reply;
  const char* path = nullptr;
  if (call == nullptr || sd_bus_message_append(call.get(), "s", uuid.c_str()) < 0 ||
      CallWaiting(bus, call.get(), reply) != 0 ||
      sd_bus_message_read(reply.get(), "o", &path) < 0) {
    return;
  }
  Message done;
  CallWaiting(bus, NewCall(bus, path, kProfileInterface, "Delete").get(), done);
}

// Where an activation goes: a device, or for a VPN the base link's active
// connection as the specific object (NetworkManager ignores a VPN's device).
struct Target {
  std::string device = "/";
  std::string specific = "/";
};

// The activation of the profile itself; NetworkManager supplies its secrets.
uint32_t ActivationOfProfile(sd_bus* bus, const Profile& profile, const Target& target,
                             Message& call) {
  call = NewCall(bus, kNmPath, kNmInterface, "ActivateConnection");
  if (call == nullptr ||
      sd_bus_message_append(call.get(), "ooo", profile.path.c_str(), target.device.c_str(),
                            target.specific.c_str()) < 0) {
    return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  return 0;
}

// The activation of a copy with the caller's values, and the dial's agent
// that holds its secrets: the caller's password, else the stored one, and
// the stored PIN, where the caller may read them.
uint32_t ActivationOfCopy(const RASDIALPARAMS& params, const Profile& profile, const Target& target,
                          DialWatch& watch, Message& call) {
  sd_bus* bus = watch.bus.get();
  Message settings;
  // Read afresh: the profile may have been deleted since it was listed.
  uint32_t code =
      CallWaiting(bus, NewCall(bus, profile.path.c_str(), kProfileInterface, "GetSettings").get(),
                  settings, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  SecretAgent& agent = watch.agent;
  agent.uuid = NewUuid();
  agent.setting = profile.secret_setting;
  agent.vpn = profile.kind->in_data;
  if (code == 0 && agent.uuid.empty()) code = RAS_ERROR_UNKNOWN;
  if (code == 0) {
    ReadStoredSecrets(bus, profile, agent.secrets);
    if (params.szPassword[0] != '\0') agent.secrets.password.Set(params.szPassword);
    code = BuildActivation(bus, settings.get(), profile,
                           DialValues{params.szPhoneNumber, params.szUserName}, agent.uuid,
                           target.device, target.specific, call);
  }
  if (code == 0) code = RegisterSecretAgent(bus, agent);
  return code;
}

// Holds until NetworkManager shows the activation on its device (or a
// moment has passed), so the next dial under the lock sees the device busy.
void AwaitDeviceShowsActivation(sd_bus* bus, const std::string& device, const std::string& active) {
  auto until = std::chrono::steady_clock::now() + kDeviceShowsBound;
  while (!DeviceServes(bus, device, active) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Activates the entry on target (a device, "" when none is free, or a
// VPN's base link); fills the watch's active path.
uint32_t ActivateEntry(const RASDIALPARAMS& params, const Profile& profile, const Target& target,
                       DialWatch& watch) {
  sd_bus* bus = watch.bus.get();
  if (!watch.vpn) {
    if (target.device.empty()) return RAS_ERROR_PORT_NOT_AVAILABLE;  // a busy one's link would end
    watch.device_path = target.device;
  }
  bool own_values = params.szPassword[0] != '\0' || profile.username != params.szUserName ||
                    profile.number != params.szPhoneNumber;
  Message call;
  uint32_t code = own_values ? ActivationOfCopy(params, profile, target, watch, call)
                             : ActivationOfProfile(bus, profile, target, call);
  if (code == 0) code = SubscribeDialSignals(watch);
  Message reply;
  // The activation waits for polkit's answer too: give it longer.
  if (code == 0) {
    // A VPN refused at once (no base link after all, no plugin) could not be set up.
    code = CallWaiting(bus, call.get(), reply,
                       watch.vpn ? RAS_ERROR_AUTOMATIC_VPN_FAILED : RAS_ERROR_UNKNOWN,
                       kActivationTimeoutUsec);
  }
  if (code == RAS_ERROR_REQUEST_TIMEOUT && !watch.agent.uuid.empty()) {
    DeleteCopy(bus, watch.agent.uuid);
  }
  const char *profile_path = nullptr, *active = nullptr;
  if (code == 0 && own_values &&
      sd_bus_message_read(reply.get(), "oo", &profile_path, &active) < 0) {
    code = RAS_ERROR_UNKNOWN;
  }
  if (code == 0 && !own_values && sd_bus_message_read(reply.get(), "o", &active) < 0) {
    code = RAS_ERROR_UNKNOWN;
  }
  if (code == 0 && HandleOfActivePath(active) == 0) code = RAS_ERROR_UNKNOWN;
  if (code == 0) watch.active_path = active;
  if (code == 0 && !watch.vpn) AwaitDeviceShowsActivation(bus, target.device, watch.active_path);
  return code;
}

// Under the dial lock, which also makes two dials of one entry give one
// link: the entry's link when it is up or coming up (the dial follows it),
// else a new activation: on a free device, or for a VPN, which takes no
// device of its own, on the base link. An activation of the entry's own
// profile that waits for secrets no agent gives is taken over by a dial
// that brings a password: its copy replaces it (on the same device; a VPN's
// is ended first), and the dial's agent answers. Answering the waiting
// activation itself could make NetworkManager save the password in the
// profile, as it does with secrets an agent returns for a profile that
// keeps them (password flags 0).
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
  DialLock lock(kLockBound);
  std::string link = ActiveLinkOfEntry(bus, profile.id);
  std::string device;
  bool take_over = !link.empty() && params.szPassword[0] != '\0' &&
                   WaitsForSecrets(bus, link, profile.path, device);
  if (!link.empty() && !take_over) {
    watch.active_path = link;
    return SubscribeDialSignals(watch);
  }
  if (!watch.vpn) {
    return ActivateEntry(params, profile,
                         Target{take_over ? device : ChooseDevice(bus, profile.path), "/"}, watch);
  }
  if (take_over) DeactivateActive(bus, link);
  Target target;
  code = BaseLinkOfVpn(bus, target.specific);
  return code != 0 ? code : ActivateEntry(params, profile, target, watch);
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
