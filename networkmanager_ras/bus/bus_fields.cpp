// The table-driven readers of a{sv} and a{sa{sv}}.
#include "networkmanager_ras/bus/bus_fields.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "networkmanager_ras/bus/secret_text.h"

namespace nmras {
namespace {

// Keeps one secret of a VPN's secrets when its slots name it.
void KeepSecret(const SecretSlots& slots, const char* key, const char* value) {
  for (int i = 0; slots.keys[i] != nullptr; ++i) {
    if (std::strcmp(key, slots.keys[i]) == 0) slots.values[i]->Set(value);
  }
}

// Reads a string dictionary at the position: a VPN's data into a map, or
// its secrets into their slots (nothing else kept).
int ReadStringMap(sd_bus_message* m, const Field& field) {
  int r = sd_bus_message_enter_container(m, 'a', "{ss}");
  const char *key = nullptr, *value = nullptr;
  while (r >= 0 && (r = sd_bus_message_read(m, "{ss}", &key, &value)) > 0) {
    if (!field.secret) {
      (*static_cast<std::map<std::string, std::string>*>(field.target))[key] = value;
    } else {
      KeepSecret(*static_cast<const SecretSlots*>(field.target), key, value);
    }
  }
  return r < 0 ? r : sd_bus_message_exit_container(m);
}

// Reads the variant at the position into the field; skips it when its type
// is not the field's.
int ReadValue(sd_bus_message* m, const Field& field) {
  const char* contents = nullptr;
  int r = sd_bus_message_peek_type(m, nullptr, &contents);
  if (r <= 0) return r < 0 ? r : -EBADMSG;
  if (contents == nullptr || std::strcmp(contents, field.type) != 0) {
    return sd_bus_message_skip(m, "v");
  }
  r = sd_bus_message_enter_container(m, 'v', field.type);
  if (r < 0) return r;
  const char* text = nullptr;
  int flag = 0;
  switch (field.type[0]) {
    case 's':
    case 'o':
      r = sd_bus_message_read_basic(m, field.type[0], &text);
      if (r > 0 && field.secret) static_cast<SecretText*>(field.target)->Set(text);
      if (r > 0 && !field.secret) *static_cast<std::string*>(field.target) = text;
      break;
    case 'u':
      r = sd_bus_message_read_basic(m, 'u', field.target);
      break;
    case 'b':
      r = sd_bus_message_read_basic(m, 'b', &flag);
      if (r > 0) *static_cast<bool*>(field.target) = flag != 0;
      break;
    default:
      if (std::strcmp(field.type, "a{ss}") == 0) {
        r = ReadStringMap(m, field);
      } else {
        r = ReadStrings(m, *static_cast<std::vector<std::string>*>(field.target));
      }
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

const Field* FindField(const char* key, const Field* fields, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (std::strcmp(fields[i].key, key) == 0) return &fields[i];
  }
  return nullptr;
}

}  // namespace

int ReadFields(sd_bus_message* m, const Field* fields, size_t count) {
  int r = sd_bus_message_enter_container(m, 'a', "{sv}");
  if (r <= 0) return r < 0 ? r : -EBADMSG;
  while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
    const char* key = nullptr;
    r = sd_bus_message_read_basic(m, 's', &key);
    if (r <= 0) return r < 0 ? r : -EBADMSG;
    const Field* field = FindField(key, fields, count);
    r = field != nullptr ? ReadValue(m, *field) : sd_bus_message_skip(m, "v");
    if (r < 0 || (r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

int ReadSettings(sd_bus_message* m, const SettingFields* settings, size_t count) {
  int r = sd_bus_message_enter_container(m, 'a', "{sa{sv}}");
  if (r <= 0) return r < 0 ? r : -EBADMSG;
  while ((r = sd_bus_message_enter_container(m, 'e', "sa{sv}")) > 0) {
    const char* name = nullptr;
    r = sd_bus_message_read_basic(m, 's', &name);
    if (r <= 0) return r < 0 ? r : -EBADMSG;
    const SettingFields* wanted = nullptr;
    for (size_t i = 0; i < count && wanted == nullptr; ++i) {
      if (std::strcmp(settings[i].setting, name) == 0) wanted = &settings[i];
    }
    if (wanted != nullptr && wanted->present != nullptr) *wanted->present = true;
    r = wanted != nullptr ? ReadFields(m, wanted->fields, wanted->count)
                          : sd_bus_message_skip(m, "a{sv}");
    if (r < 0 || (r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

int ReadStrings(sd_bus_message* m, std::vector<std::string>& out) {
  char** strings = nullptr;
  int r = sd_bus_message_read_strv(m, &strings);
  if (r < 0) return r;
  out.clear();
  for (char** each = strings; each != nullptr && *each != nullptr; ++each) {
    out.emplace_back(*each);
    std::free(*each);
  }
  std::free(static_cast<void*>(strings));
  return r;
}

}  // namespace nmras
