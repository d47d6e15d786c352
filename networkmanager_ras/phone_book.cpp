// What a profile's settings say, finding an entry, and its secrets when
// the caller may have them.
#include "networkmanager_ras/phone_book.h"

#include <cstring>

#include "networkmanager_ras/bus_fields.h"
#include "networkmanager_ras/profile_cache.h"
#include "remote_access/ras_records.h"

namespace nmras {
namespace {

bool IsDialUpKind(const Profile& profile, const std::string& bluetooth_type) {
  if (profile.type == "gsm" || profile.type == "cdma" || profile.type == "pppoe") {
    return true;
  }
  return profile.type == "bluetooth" && bluetooth_type == "dun" && !profile.secret_setting.empty();
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Whether GetPermissions grants the permission outright.
bool Permitted(sd_bus* bus, const char* permission) {
  Message reply;
  if (CallWaiting(bus, NewCall(bus, kNmPath, kNmInterface, "GetPermissions").get(), reply) != 0 ||
      sd_bus_message_enter_container(reply.get(), 'a', "{ss}") <= 0) {
    return false;
  }
  const char *name = nullptr, *answer = nullptr;
  while (sd_bus_message_read(reply.get(), "{ss}", &name, &answer) > 0) {
    if (std::strcmp(name, permission) == 0) return std::strcmp(answer, "yes") == 0;
  }
  return false;
}

}  // namespace

bool ReadProfile(sd_bus_message* settings, Profile& profile) {
  std::string bluetooth_type;
  std::vector<std::string> permissions;
  uint32_t pin_flags = 0;
  bool gsm = false, cdma = false, pppoe = false;
  const Field connection[] = {{"id", "s", &profile.id},
                              {"type", "s", &profile.type},
                              {"permissions", "as", &permissions}};
  const Field bluetooth[] = {{"type", "s", &bluetooth_type}};
  const Field dial[] = {{"number", "s", &profile.number},
                        {"username", "s", &profile.username},
                        {"password-flags", "u", &profile.password_flags},
                        {"pin-flags", "u", &pin_flags}};
  const SettingFields wanted[] = {{"connection", connection, 3, nullptr},
                                  {"bluetooth", bluetooth, 1, nullptr},
                                  {"gsm", dial, 4, &gsm},
                                  {"cdma", dial, 4, &cdma},
                                  {"pppoe", dial, 4, &pppoe}};
  if (ReadSettings(settings, wanted) < 0) return false;
  profile.secret_setting = gsm ? "gsm" : cdma ? "cdma" : pppoe ? "pppoe" : "";
  if (pppoe) profile.number.clear();
  profile.user_limited = !permissions.empty();
  return IsDialUpKind(profile, bluetooth_type);
}

uint32_t FindProfile(const char* name, Profile& profile) {
  std::vector<Profile> profiles;
  uint32_t code = CachedProfiles(profiles);
  if (code != 0) {
    return code;
  }
  for (const Profile& each : profiles) {
    if (each.id == name) {
      profile = each;
      return 0;
    }
  }
  for (const Profile& each : profiles) {
    if (Trimmed(each.id) == name) {
      profile = each;
      return 0;
    }
  }
  return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

bool PasswordStored(const Profile& profile) {
  return profile.password_flags == kSecretSystemOwned;
}

void ReadStoredSecrets(sd_bus* bus, const Profile& profile, StoredSecrets& secrets) {
  const char* permission = profile.user_limited
                               ? "org.freedesktop.NetworkManager.settings.modify.own"
                               : "org.freedesktop.NetworkManager.settings.modify.system";
  if (!Permitted(bus, permission)) return;
  Message call = NewCall(bus, profile.path.c_str(), kProfileInterface, "GetSecrets");
  Message reply;
  if (call == nullptr ||
      sd_bus_message_append(call.get(), "s", profile.secret_setting.c_str()) < 0 ||
      CallWaiting(bus, call.get(), reply) != 0) {
    return;
  }
  sd_bus_message_sensitive(reply.get());  // its buffer is cleared when freed
  const Field fields[] = {{"password", "s", &secrets.password, true},
                          {"pin", "s", &secrets.pin, true}};
  const SettingFields wanted[] = {{profile.secret_setting.c_str(), fields, 2, nullptr}};
  if (ReadSettings(reply.get(), wanted) < 0) {
    secrets.password.Clear();
    secrets.pin.Clear();
  }
}

}  // namespace nmras
