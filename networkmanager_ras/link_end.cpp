// Blocking a profile's autoconnect and deactivating one active connection.
#include "networkmanager_ras/link_end.h"

#include <vector>

#include "networkmanager_ras/phone_book.h"
#include "networkmanager_ras/profile_cache.h"

namespace nmras {
namespace {

// NMSettingsUpdate2Flags: the profile is not autoconnected until it is
// activated by hand.
constexpr uint32_t kUpdateBlockAutoconnect = 0x20;

// The stored profile the link belongs to: profile_path itself when it is
// one, else (a dial's copy) the entry's profile of the same id.
std::string StoredProfileOf(const std::string& entry_id, const std::string& profile_path) {
  std::vector<Profile> profiles;
  if (CachedProfiles(profiles) != 0) return "";
  for (const Profile& profile : profiles) {
    if (profile.path == profile_path) return profile.path;
  }
  for (const Profile& profile : profiles) {
    if (profile.id == entry_id) return profile.path;
  }
  return "";
}

// Update2 with no settings (they stay as they are) and block-autoconnect.
void BlockAutoconnect(sd_bus* bus, const std::string& profile_path) {
  if (profile_path.empty()) return;
  Message call = NewCall(bus, profile_path.c_str(), kProfileInterface, "Update2");
  if (call == nullptr ||
      sd_bus_message_append(call.get(), "a{sa{sv}}ua{sv}", 0, kUpdateBlockAutoconnect, 0) < 0) {
    return;
  }
  Message reply;
  CallWaiting(bus, call.get(), reply);
}

}  // namespace

uint32_t DeactivateActive(sd_bus* bus, const std::string& active_path) {
  Message call = NewCall(bus, kNmPath, kNmInterface, "DeactivateConnection");
  if (call != nullptr && sd_bus_message_append(call.get(), "o", active_path.c_str()) < 0) {
    call.reset();
  }
  Message reply;
  return CallWaiting(bus, call.get(), reply, RAS_ERROR_INVALID_HANDLE);
}

uint32_t EndLink(sd_bus* bus, const std::string& active_path, const std::string& entry_id,
                 const std::string& profile_path) {
  BlockAutoconnect(bus, StoredProfileOf(entry_id, profile_path));
  return DeactivateActive(bus, active_path);
}

}  // namespace nmras
