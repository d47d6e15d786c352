// Reading NetworkManager's profiles: ListConnections, GetSettings and the
// Flags property per profile, GetSecrets for a stored password.
#include "networkmanager_ras/phone_book.h"

#include <cstring>

#include "networkmanager_ras/error_map.h"
#include "remote_access/ras_records.h"

namespace nmras {
namespace {

// NM_SETTINGS_CONNECTION_FLAG_VOLATILE: deleted when it deactivates.
constexpr uint32_t kVolatileFlag = 0x4;

// Reads the string value of one {sv} entry's variant; false for other types.
bool ReadVariantString(sd_bus_message* m, std::string& out) {
  const char* contents = nullptr;
  char type = 0;
  if (sd_bus_message_peek_type(m, &type, &contents) <= 0 || contents == nullptr ||
      std::strcmp(contents, "s") != 0) {
    return false;
  }
  const char* value = nullptr;
  if (sd_bus_message_read(m, "v", "s", &value) < 0) {
    return false;
  }
  out = value;
  return true;
}

// Reads the keys of one setting that the phone book uses; skips the rest.
bool ReadSetting(sd_bus_message* m, const std::string& group, Profile& profile,
                 std::string& bluetooth_type) {
  if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) {
    return false;
  }
  if (group == "gsm" || group == "cdma" || group == "pppoe") profile.secret_setting = group;
  while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
    const char* key = nullptr;
    if (sd_bus_message_read_basic(m, 's', &key) <= 0) {
      return false;
    }
    std::string name = key;
    std::string* target = nullptr;
    if (group == "connection" && name == "id") target = &profile.id;
    if (group == "connection" && name == "type") target = &profile.type;
    if (group == "bluetooth" && name == "type") target = &bluetooth_type;
    if ((group == "gsm" || group == "cdma") && name == "number") target = &profile.number;
    if ((group == "gsm" || group == "cdma" || group == "pppoe") && name == "username") {
      target = &profile.username;
    }
    if (target == nullptr || !ReadVariantString(m, *target)) {
      if (sd_bus_message_skip(m, "v") < 0) return false;
    }
    if (sd_bus_message_exit_container(m) < 0) return false;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

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

// Reads one profile; false when it is no dial-up kind or a volatile copy.
bool LoadProfile(sd_bus* bus, const char* path, Profile& profile) {
  Message reply;
  if (CallWaiting(bus, NewCall(bus, path, kProfileInterface, "GetSettings").get(), reply,
                  kAnyError) != 0) {
    return false;  // deleted meanwhile, or unreadable: not in the phone book
  }
  profile = Profile();
  profile.path = path;
  if (!ReadProfile(reply.get(), profile)) {
    return false;
  }
  uint32_t flags = 0;
  GetUintProperty(bus, path, kProfileInterface, "Flags", flags, kAnyError);
  return (flags & kVolatileFlag) == 0 && profile.id.size() <= RAS_MAX_ENTRY_NAME;
}

}  // namespace

bool ReadProfile(sd_bus_message* settings, Profile& profile) {
  std::string bluetooth_type;
  if (sd_bus_message_enter_container(settings, 'a', "{sa{sv}}") <= 0) {
    return false;
  }
  while (sd_bus_message_enter_container(settings, 'e', "sa{sv}") > 0) {
    const char* group = nullptr;
    if (sd_bus_message_read_basic(settings, 's', &group) <= 0 ||
        !ReadSetting(settings, group, profile, bluetooth_type) ||
        sd_bus_message_exit_container(settings) < 0) {
      return false;
    }
  }
  sd_bus_message_exit_container(settings);
  return IsDialUpKind(profile, bluetooth_type);
}

uint32_t ListProfiles(sd_bus* bus, std::vector<Profile>& profiles) {
  Message reply;
  uint32_t code =
      CallWaiting(bus, NewCall(bus, kSettingsPath, kSettingsInterface, "ListConnections").get(),
                  reply, kErrorServiceNotRunning);
  if (code != 0) {
    return code;
  }
  std::vector<std::string> paths;
  const char* path = nullptr;
  if (sd_bus_message_enter_container(reply.get(), 'a', "o") <= 0) {
    return kErrorServiceNotRunning;
  }
  while (sd_bus_message_read_basic(reply.get(), 'o', &path) > 0) {
    paths.push_back(path);
  }
  for (const std::string& each : paths) {
    Profile profile;
    if (LoadProfile(bus, each.c_str(), profile)) {
      profiles.push_back(profile);
    }
  }
  return 0;
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

std::string ReadPassword(sd_bus* bus, const Profile& profile) {
  Message call = NewCall(bus, profile.path.c_str(), kProfileInterface, "GetSecrets");
  Message reply;
  if (call == nullptr ||
      sd_bus_message_append(call.get(), "s", profile.secret_setting.c_str()) < 0 ||
      CallWaiting(bus, call.get(), reply, kAnyError) != 0) {
    return "";
  }
  // {setting: {"password": <s>, ...}}
  std::string password;
  sd_bus_message* m = reply.get();
  if (sd_bus_message_enter_container(m, 'a', "{sa{sv}}") <= 0) return "";
  while (sd_bus_message_enter_container(m, 'e', "sa{sv}") > 0) {
    const char* group = nullptr;
    if (sd_bus_message_read_basic(m, 's', &group) <= 0 ||
        sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) {
      return "";
    }
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
      const char* key = nullptr;
      if (sd_bus_message_read_basic(m, 's', &key) <= 0) return "";
      bool wanted = profile.secret_setting == group && std::strcmp(key, "password") == 0;
      if (!wanted || !ReadVariantString(m, password)) {
        if (sd_bus_message_skip(m, "v") < 0) return "";
      }
      sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    sd_bus_message_exit_container(m);
  }
  return password;
}

}  // namespace nmras
