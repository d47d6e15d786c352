// Copying a profile's settings into an activation request, replacing the
// keys a dial sets and leaving every other value as NetworkManager gave it.
#include "networkmanager_ras/dial/dial_copy.h"

#include <systemd/sd-id128.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "remote_access/ras_records.h"

namespace nmras {
namespace {

// Keys the copy sets itself, per setting.
bool IsReplaced(const std::string& group, const char* key, const Profile& profile) {
  if (group == "connection") {
    return std::strcmp(key, "uuid") == 0 || std::strcmp(key, "autoconnect") == 0;
  }
  if (group != profile.secret_setting) {
    return false;
  }
  if (profile.kind->in_data) return std::strcmp(key, "secrets") == 0;  // "data" is rewritten
  for (const char* replaced : {"username", "password", "password-flags", "pin", "pin-flags"}) {
    if (std::strcmp(key, replaced) == 0) return true;
  }
  return profile.kind->number_key[0] != '\0' && std::strcmp(key, profile.kind->number_key) == 0;
}

int AppendEntry(sd_bus_message* call, const char* key, const char* type, const void* value) {
  int r = sd_bus_message_open_container(call, 'e', "sv");
  if (r >= 0) r = sd_bus_message_append_basic(call, 's', key);
  if (r >= 0) r = sd_bus_message_open_container(call, 'v', type);
  if (r >= 0) r = sd_bus_message_append_basic(call, type[0], value);
  if (r >= 0) r = sd_bus_message_close_container(call);
  if (r >= 0) r = sd_bus_message_close_container(call);
  return r;
}

// The values of one setting that the copy replaces.
int AppendReplaced(sd_bus_message* call, const std::string& group, const Profile& profile,
                   const DialValues& values, const std::string& uuid) {
  const uint32_t agent_owned = kSecretAgentOwned;
  int r = 0;
  if (group == "connection") {
    int no = 0;
    r = AppendEntry(call, "uuid", "s", uuid.c_str());
    if (r >= 0) r = AppendEntry(call, "autoconnect", "b", &no);
    return r;
  }
  if (group != profile.secret_setting || profile.kind->in_data) {
    return 0;
  }
  r = AppendEntry(call, "username", "s", values.username.c_str());
  if (r >= 0) r = AppendEntry(call, "password-flags", "u", &agent_owned);
  if (r >= 0 && group == "gsm") r = AppendEntry(call, "pin-flags", "u", &agent_owned);
  if (r >= 0 && profile.kind->number_key[0] != '\0') {
    r = AppendEntry(call, profile.kind->number_key, "s", values.number.c_str());
  }
  return r;
}

// Copies a VPN's data (the variant a{ss} at the position) with the
// caller's server and user name, and its password agent-owned.
int CopyData(sd_bus_message* settings, sd_bus_message* call, const Profile& profile,
             const DialValues& values) {
  const LinkKind& kind = *profile.kind;
  std::vector<std::pair<std::string, std::string>> replaced = {
      {kind.number_key, values.number},
      {kind.user_key, values.username},
      {"password-flags", "1"}};  // NM_SETTING_SECRET_FLAG_AGENT_OWNED
  for (const std::string& secret : values.handed_secrets)
    replaced.emplace_back(secret + "-flags", "1");
  int r = sd_bus_message_enter_container(settings, 'v', "a{ss}");
  if (r >= 0) r = sd_bus_message_open_container(call, 'v', "a{ss}");
  if (r >= 0) r = sd_bus_message_enter_container(settings, 'a', "{ss}");
  if (r >= 0) r = sd_bus_message_open_container(call, 'a', "{ss}");
  const char *key = nullptr, *value = nullptr;
  while (r >= 0 && (r = sd_bus_message_read(settings, "{ss}", &key, &value)) > 0) {
    bool ours = false;
    for (const auto& each : replaced) ours = ours || each.first == key;
    if (!ours) r = sd_bus_message_append(call, "{ss}", key, value);
  }
  for (const auto& each : replaced) {
    if (r >= 0) r = sd_bus_message_append(call, "{ss}", each.first.c_str(), each.second.c_str());
  }
  if (r >= 0) r = sd_bus_message_exit_container(settings);
  if (r >= 0) r = sd_bus_message_close_container(call);
  if (r >= 0) r = sd_bus_message_exit_container(settings);
  if (r >= 0) r = sd_bus_message_close_container(call);
  return r;
}

// Copies one value {sv} of a setting, or its VPN data rewritten.
int CopyValue(sd_bus_message* settings, sd_bus_message* call, const std::string& group,
              const char* key, const Profile& profile, const DialValues& values) {
  int r = sd_bus_message_open_container(call, 'e', "sv");
  if (r >= 0) r = sd_bus_message_append_basic(call, 's', key);
  bool data =
      profile.kind->in_data && group == profile.secret_setting && std::strcmp(key, "data") == 0;
  if (r >= 0)
    r = data ? CopyData(settings, call, profile, values) : sd_bus_message_copy(call, settings, 0);
  if (r >= 0) r = sd_bus_message_close_container(call);
  return r;
}

// Copies one setting {s a{sv}} from settings into call.
int CopySetting(sd_bus_message* settings, sd_bus_message* call, const Profile& profile,
                const DialValues& values, const std::string& uuid) {
  const char* name = nullptr;
  int r = sd_bus_message_read_basic(settings, 's', &name);
  if (r <= 0) return r < 0 ? r : -EBADMSG;
  std::string group = name;
  r = sd_bus_message_open_container(call, 'e', "sa{sv}");
  if (r >= 0) r = sd_bus_message_append_basic(call, 's', group.c_str());
  if (r >= 0) r = sd_bus_message_open_container(call, 'a', "{sv}");
  if (r >= 0) r = sd_bus_message_enter_container(settings, 'a', "{sv}");
  while (r >= 0 && (r = sd_bus_message_enter_container(settings, 'e', "sv")) > 0) {
    const char* key = nullptr;
    r = sd_bus_message_read_basic(settings, 's', &key);
    if (r > 0 && IsReplaced(group, key, profile)) {
      r = sd_bus_message_skip(settings, "v");
    } else if (r > 0) {
      r = CopyValue(settings, call, group, key, profile, values);
    }
    if (r >= 0) r = sd_bus_message_exit_container(settings);
  }
  if (r >= 0) r = sd_bus_message_exit_container(settings);
  if (r >= 0) r = AppendReplaced(call, group, profile, values, uuid);
  if (r >= 0) r = sd_bus_message_close_container(call);
  if (r >= 0) r = sd_bus_message_close_container(call);
  return r;
}

int AppendOption(sd_bus_message* call, const char* key, const char* value) {
  return AppendEntry(call, key, "s", value);
}

}  // namespace

std::string NewUuid() {
  sd_id128_t id;
  if (sd_id128_randomize(&id) < 0) {
    return "";
  }
  char text[40];
  std::snprintf(text, sizeof text, SD_ID128_UUID_FORMAT_STR, SD_ID128_FORMAT_VAL(id));
  return text;
}

bool IsUtf8(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    int extra = *p < 0x80             ? 0
                : (*p & 0xE0) == 0xC0 ? 1
                : (*p & 0xF0) == 0xE0 ? 2
                : (*p & 0xF8) == 0xF0 ? 3
                                      : -1;
    if (extra < 0 || (extra == 1 && *p < 0xC2) || (extra == 3 && *p > 0xF4)) {
      return false;
    }
    uint32_t code = *p & (0x7F >> extra);
    for (int i = 1; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[i] & 0x3F);
    }
    if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (extra == 3 && (code < 0x10000 || code > 0x10FFFF))) {
      return false;
    }
    p += extra + 1;
  }
  return true;
}

uint32_t BuildActivation(sd_bus* bus, sd_bus_message* settings, const Profile& profile,
                         const DialValues& values, const std::string& uuid,
                         const std::string& device, Message& call) {
  if (!IsUtf8(values.number.c_str()) || !IsUtf8(values.username.c_str())) {
    return RAS_ERROR_INVALID_PARAMETER;
  }
  call = NewCall(bus, kNmPath, kNmInterface, "AddAndActivateConnection2");
  if (call == nullptr) {
    return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  sd_bus_message* m = call.get();
  int r = sd_bus_message_open_container(m, 'a', "{sa{sv}}");
  if (r >= 0) r = sd_bus_message_enter_container(settings, 'a', "{sa{sv}}");
  while (r >= 0 && (r = sd_bus_message_enter_container(settings, 'e', "sa{sv}")) > 0) {
    r = CopySetting(settings, m, profile, values, uuid);
    if (r >= 0) r = sd_bus_message_exit_container(settings);
  }
  if (r >= 0) r = sd_bus_message_close_container(m);
  if (r >= 0) r = sd_bus_message_append(m, "oo", device.c_str(), "/");
  if (r >= 0) r = sd_bus_message_open_container(m, 'a', "{sv}");
  if (r >= 0) r = AppendOption(m, "persist", "volatile");
  if (r >= 0) r = AppendOption(m, "bind-activation", "none");
  if (r >= 0) r = sd_bus_message_close_container(m);
  return r >= 0 ? 0u : static_cast<uint32_t>(RAS_ERROR_UNKNOWN);
}

}  // namespace nmras
