// Activation of a dial's profile copy through AddAndActivateConnection2.
#include "networkmanager_ras/dial_start.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "networkmanager_ras/dial_copy.h"
#include "networkmanager_ras/dial_watch.h"
#include "networkmanager_ras/error_map.h"
#include "networkmanager_ras/phone_book.h"

namespace nmras {
namespace {

constexpr uint64_t kActivationTimeoutUsec = 25 * 1000 * 1000;

// Whether a device lists the profile among those it can activate now.
bool CanActivate(sd_bus* bus, const char* device, const std::string& profile_path) {
  Message reply;
  const char* path = nullptr;
  if (GetProperty(bus, device, kDeviceInterface, "AvailableConnections", "ao", reply, kAnyError) !=
          0 ||
      sd_bus_message_enter_container(reply.get(), 'a', "o") <= 0) {
    return false;
  }
  while (sd_bus_message_read_basic(reply.get(), 'o', &path) > 0) {
    if (profile_path == path) return true;
  }
  return false;
}

// The device NetworkManager would take for the profile, chosen beforehand
// so that the dial knows whose signals are its own even when it fails at
// once; "/" (NetworkManager chooses) when no device offers the profile.
std::string ChooseDevice(sd_bus* bus, const std::string& profile_path) {
  Message reply;
  if (GetProperty(bus, kNmPath, kNmInterface, "Devices", "ao", reply, kAnyError) != 0 ||
      sd_bus_message_enter_container(reply.get(), 'a', "o") <= 0) {
    return "/";
  }
  std::vector<std::string> devices;
  const char* path = nullptr;
  while (sd_bus_message_read_basic(reply.get(), 'o', &path) > 0) devices.push_back(path);
  for (const std::string& device : devices) {
    if (CanActivate(bus, device.c_str(), profile_path)) return device;
  }
  return "/";
}

// Activates the copy; fills the watch's bus and active connection path.
uint32_t Activate(const RASDIALPARAMS& params, DialWatch& watch) {
  uint32_t code = OpenSystemBus(watch.bus);
  sd_bus* bus = watch.bus.get();
  Profile profile;
  if (code == 0) code = FindProfile(bus, params.szEntryName, profile);
  Message settings;
  if (code == 0) {
    // Read afresh: the profile may have been deleted since it was listed.
    code =
        CallWaiting(bus, NewCall(bus, profile.path.c_str(), kProfileInterface, "GetSettings").get(),
                    settings, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  }
  DialValues values{params.szPhoneNumber, params.szUserName, params.szPassword};
  Message call;
  std::string device = code == 0 ? ChooseDevice(bus, profile.path) : "/";
  if (device != "/") watch.device_path = device;
  if (code == 0) code = BuildActivation(bus, settings.get(), profile, values, device, call);
  if (code == 0) code = SubscribeDialSignals(watch);
  Message reply;
  // The activation waits for polkit's answer too: give it longer.
  if (code == 0) {
    code = CallWaiting(bus, call.get(), reply, kErrorRemoteDisconnection, kActivationTimeoutUsec);
  }
  const char *path = nullptr, *active = nullptr;
  if (code == 0 && sd_bus_message_read(reply.get(), "oo", &path, &active) < 0) {
    code = kErrorRemoteDisconnection;
  }
  if (code == 0 && HandleOfActivePath(active) == 0) code = kErrorRemoteDisconnection;
  if (code == 0) watch.active_path = active;
  return code;
}

// The library's own thread: nothing may escape it, or the process ends.
void WatchInBackground(std::unique_ptr<DialWatch> watch) {
  try {
    BeginWatch(*watch);
    RunWatch(*watch);
  } catch (...) {
    SetDialFailed(*watch->record, RASCS_Disconnected, kErrorRemoteDisconnection);
  }
}

}  // namespace

uint32_t Dial(const RASDIALPARAMS& params, RasDialFunc notifier, HRASCONN* handle) {
  auto watch = std::make_unique<DialWatch>();
  watch->notifier = notifier;
  uint32_t code = Activate(params, *watch);
  if (code != 0) {
    *handle = AddFailedDial(code);
    return code;
  }
  *handle = HandleOfActivePath(watch->active_path.c_str());
  watch->record = AddDial(*handle, watch->active_path);
  if (notifier == nullptr) {
    BeginWatch(*watch);
    return RunWatch(*watch);
  }
  std::shared_ptr<DialRecord> record = watch->record;
  try {
    std::thread(WatchInBackground, std::move(watch)).detach();
  } catch (...) {
    SetDialFailed(*record, RASCS_Disconnected, kErrorRemoteDisconnection);
    return kErrorRemoteDisconnection;
  }
  return 0;
}

}  // namespace nmras
