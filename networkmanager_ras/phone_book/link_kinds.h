// The kinds of link that are phone-book entries, as one table: which
// profiles count, where an entry's number, user name and password live, how
// its connections are shown and how its link ends. Every other profile
// (Ethernet, Wi-Fi, WireGuard, the VPN plugins no test has proven) is no
// entry.
#ifndef NELVO_NM_LINK_KINDS_H
#define NELVO_NM_LINK_KINDS_H

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace nmras {

struct LinkKind {
  const char* type;  // connection.type
  // The setting whose "type" or "service-type" key must say variant (null:
  // none), as bluetooth.type "dun" or an OpenVPN plugin's service.
  const char* variant_setting;
  const char* variant;
  // The setting that holds the user name and password, and that the dial's
  // agent answers for; the profile must carry it.
  const char* setting;
  // For a VPN: the keys below are entries of the setting's "data" string
  // dictionary (the plugin's options), and only profiles whose login_key
  // (OpenVPN's "connection-type", strongSwan's "method") is one of these
  // logins count (null-terminated).
  bool in_data;
  const char* login_key;
  const char* const* logins;
  const char* number_key;  // the number (a VPN's server); "" when none
  const char* user_key;
  const char* device_type;  // szDeviceType of its connections
  // A VPN rides on the base link that is up: it takes no device of its
  // own, and its link ends by its own active connection, never by the
  // device under it (the base's).
  bool rides_on_base;
  // A VPN plugin's secrets beside the login password that it may ask for
  // (a client key's password, a proxy's): the dial hands over the stored
  // profile's own (null-terminated; null: none).
  const char* const* stored_secrets;
  // The code of a VPN that fails with no reason given (unknown) after its
  // plugin connected, for a plugin whose refusals reach NetworkManager so;
  // 0: the reason table's.
  uint32_t refused_code;
};

// The most stored secrets a kind names.
constexpr int kMostStoredSecrets = 2;

// What a profile's settings say about its kind: its connection.type, the
// "type"/"service-type" of each setting that has one, the settings it has,
// and its VPN data.
struct KindClues {
  std::string type;
  std::map<std::string, std::string> variants;
  std::set<std::string> settings;
  std::map<std::string, std::string> data;
};

// The kind of a profile; null when it is no entry.
const LinkKind* KindOf(const KindClues& clues);

// The kind a connection.type alone gives (gsm, cdma, pppoe). Null with
// ask_profile set when the profile must say (Bluetooth, VPN); null with it
// clear when no profile of the type is an entry.
const LinkKind* KindOfType(const std::string& type, bool& ask_profile);

// The device type shown for connections of a connection.type.
const char* DeviceTypeOfType(const std::string& type);

}  // namespace nmras

#endif
