// Reading NetworkManager's a{sv} dictionaries (properties, one setting of
// a profile) and a{sa{sv}} settings through tables of the keys wanted, as
// systemd's bus_map_all_properties does, instead of a walk per reply.
#ifndef NELVO_NM_BUS_FIELDS_H
#define NELVO_NM_BUS_FIELDS_H

#include <systemd/sd-bus.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nmras {

// One key and where its value goes: type "s" or "o" into a std::string,
// "u" into a uint32_t, "b" into a bool, "ao" or "as" into a
// std::vector<std::string>, "a{ss}" into a std::map<std::string,
// std::string>; a secret "s" into a SecretText, and a secret "a{ss}" (a
// VPN's secrets) into the SecretSlots named. A value of another type is
// skipped.
struct Field {
  const char* key;
  const char* type;
  void* target;
  bool secret = false;
};

// The fields of one setting of a profile; present is set when the setting
// is there at all (may be null).
struct SettingFields {
  const char* setting;
  const Field* fields;
  size_t count;
  bool* present;
};

// Reads the a{sv} at the message's position. Returns >= 0, or a negative
// errno for a malformed message.
int ReadFields(sd_bus_message* m, const Field* fields, size_t count);

// Reads the a{sa{sv}} at the message's position; settings not named are
// skipped.
int ReadSettings(sd_bus_message* m, const SettingFields* settings, size_t count);

template <size_t N>
int ReadFields(sd_bus_message* m, const Field (&fields)[N]) {
  return ReadFields(m, fields, N);
}

template <size_t N>
int ReadSettings(sd_bus_message* m, const SettingFields (&settings)[N]) {
  return ReadSettings(m, settings, N);
}

// Reads an array of object paths or strings into out.
int ReadStrings(sd_bus_message* m, std::vector<std::string>& out);

}  // namespace nmras

#endif
