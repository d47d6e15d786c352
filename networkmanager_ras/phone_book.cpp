// Reading NetworkManager's profiles: ListConnections, then GetSettings and
// the Flags property of every profile at once.
#include "networkmanager_ras/phone_book.h"

#include <cstring>

#include "networkmanager_ras/bus_fields.h"
#include "networkmanager_ras/error_map.h"
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

Message NewFlagsCall(sd_bus* bus, const std::string& path) {
  Message call = NewCall(bus, path.c_str(), kPropertiesInterface, "Get");
  if (call != nullptr &&
      sd_bus_message_append(call.get(), "ss", kProfileInterface, "Flags") < 0) {
    call.reset();
  }
  return call;
}

// A profile from its replies; false when it is no dial-up kind, a volatile
// copy, or gone meanwhile.
bool ProfileOfReplies(const std::string& path, sd_bus_message* settings, sd_bus_message* flags,
                      Profile& profile) {
  profile = Profile();
  profile.path = path;
  uint32_t value = 0;
  if (settings == nullptr || !ReadProfile(settings, profile)) return false;
  if (flags != nullptr && sd_bus_message_read(flags, "v", "u", &value) < 0) return false;
  return (value & kProfileVolatile) == 0 && profile.id.size() <= RAS_MAX_ENTRY_NAME;
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

uint32_t ListProfiles(sd_bus* bus, std::vector<Profile>& profiles) {
  Message reply;
  uint32_t code =
      CallWaiting(bus, NewCall(bus, kSettingsPath, kSettingsInterface, "ListConnections").get(),
                  reply, RAS_ERROR_RASMAN_CANNOT_INITIALIZE);
  std::vector<std::string> paths;
  if (code == 0 && ReadStrings(reply.get(), paths) < 0) code = RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  std::vector<Message> calls, replies;
  for (const std::string& path : paths) {
    calls.push_back(NewCall(bus, path.c_str(), kProfileInterface, "GetSettings"));
    calls.push_back(NewFlagsCall(bus, path));
  }
  if (code == 0) code = CallAll(bus, calls, replies);
  for (size_t i = 0; code == 0 && i < paths.size(); ++i) {
    Profile profile;
    if (ProfileOfReplies(paths[i], replies[2 * i].get(), replies[2 * i + 1].get(), profile)) {
      profiles.push_back(profile);
    }
  }
  return code;
}

uint32_t FindProfile(sd_bus* bus, const char* name, Profile& profile) {
  std::vector<Profile> profiles;
  uint32_t code = ListProfiles(bus, profiles);
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
