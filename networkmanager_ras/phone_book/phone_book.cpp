// What a profile's settings say, finding an entry, and its secrets when
// the caller may have them.
#include "networkmanager_ras/phone_book/phone_book.h"

#include <cstdlib>
#include <cstring>
#include <map>

#include "networkmanager_ras/bus/bus_fields.h"
#include "networkmanager_ras/phone_book/profile_cache.h"
#include "remote_access/ras_records.h"

namespace nmras {
namespace {

// The number, user name and password flags of a kind whose keys are VPN
// data; the flags are a number in text, absent meaning system-owned.
void ReadDataKeys(const std::map<std::string, std::string>& data, Profile& profile) {
  auto value = [&data](const char* key) {
    auto it = data.find(key);
    return it != data.end() ? it->second : std::string();
  };
  profile.number = value(profile.kind->number_key);
  profile.username = value(profile.kind->user_key);
  profile.password_flags =
      static_cast<uint32_t>(std::strtoul(value("password-flags").c_str(), nullptr, 10));
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool ReadProfile(sd_bus_message* settings, Profile& profile) {
  KindClues clues;
  std::vector<std::string> permissions;
  std::map<std::string, std::string>& data = clues.data;
  uint32_t pin_flags = 0;
  bool present[5] = {};
  const Field connection[] = {
      {"id", "s", &profile.id}, {"type", "s", &profile.type}, {"permissions", "as", &permissions}};
  const Field bluetooth[] = {{"type", "s", &clues.variants["bluetooth"]}};
  const Field vpn[] = {{"service-type", "s", &clues.variants["vpn"]}, {"data", "a{ss}", &data}};
  const Field dial[] = {{"number", "s", &profile.number},
                        {"username", "s", &profile.username},
                        {"password-flags", "u", &profile.password_flags},
                        {"pin-flags", "u", &pin_flags}};
  const char* names[] = {"gsm", "cdma", "pppoe", "vpn", "bluetooth"};
  const SettingFields wanted[] = {
      {"connection", connection, 3, nullptr}, {names[0], dial, 4, &present[0]},
      {names[1], dial, 4, &present[1]},       {names[2], dial, 4, &present[2]},
      {names[3], vpn, 2, &present[3]},        {names[4], bluetooth, 1, &present[4]}};
  if (ReadSettings(settings, wanted) < 0) return false;
  clues.type = profile.type;
  for (size_t i = 0; i < 5; ++i) {
    if (present[i]) clues.settings.insert(names[i]);
  }
  profile.kind = KindOf(clues);
  if (profile.kind == nullptr) return false;
  profile.secret_setting = profile.kind->setting;
  if (profile.kind->in_data) ReadDataKeys(data, profile);
  if (profile.kind->number_key[0] == '\0') profile.number.clear();
  profile.user_limited = !permissions.empty();
  return true;
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

void ReadStoredSecrets(sd_bus* bus, const Profile& profile, const Permissions& permissions,
                       StoredSecrets& secrets) {
  const char* permission = profile.user_limited
                               ? "org.freedesktop.NetworkManager.settings.modify.own"
                               : "org.freedesktop.NetworkManager.settings.modify.system";
  if (!Granted(permissions, permission)) return;
  Message call = NewCall(bus, profile.path.c_str(), kProfileInterface, "GetSecrets");
  Message reply;
  if (call == nullptr ||
      sd_bus_message_append(call.get(), "s", profile.secret_setting.c_str()) < 0 ||
      CallWaiting(bus, call.get(), reply) != 0) {
    return;
  }
  sd_bus_message_sensitive(reply.get());  // its buffer is cleared when freed
  // A VPN's secrets: its password and the others its kind names.
  const char* keys[kMostStoredSecrets + 2] = {"password"};
  SecretText* values[kMostStoredSecrets + 1] = {&secrets.password};
  const char* const* others = profile.kind->stored_secrets;
  for (int i = 0; others != nullptr && others[i] != nullptr; ++i) {
    keys[i + 1] = others[i];
    values[i + 1] = &secrets.others[i];
  }
  const SecretSlots vpn{keys, values};
  const Field fields[] = {{"password", "s", &secrets.password, true},
                          {"pin", "s", &secrets.pin, true},
                          {"secrets", "a{ss}", const_cast<SecretSlots*>(&vpn), true}};
  const SettingFields wanted[] = {{profile.secret_setting.c_str(), fields, 3, nullptr}};
  if (ReadSettings(reply.get(), wanted) < 0) {
    secrets.password.Clear();
    secrets.pin.Clear();
    for (SecretText& other : secrets.others) other.Clear();
  }
}

}  // namespace nmras
