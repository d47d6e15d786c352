// The phone book on Linux: NetworkManager's profiles of the kinds of
// link_kinds.h (mobile broadband gsm and cdma, PPPoE, Bluetooth dial-up,
// OpenVPN), in the order NetworkManager lists them, named by connection.id. The volatile copies
// that a dial activates are left out, so an entry is never listed twice.
#ifndef NELVO_NM_PHONE_BOOK_H
#define NELVO_NM_PHONE_BOOK_H

#include <cstdint>
#include <string>
#include <vector>

#include "networkmanager_ras/bus/nm_bus.h"
#include "networkmanager_ras/bus/permissions.h"
#include "networkmanager_ras/bus/secret_text.h"
#include "networkmanager_ras/phone_book/link_kinds.h"

namespace nmras {

// What the library reads of one entry's profile. Never its secrets.
struct Profile {
  std::string path;                // its Settings object
  std::string id;                  // connection.id: the entry name
  std::string type;                // connection.type
  const LinkKind* kind = nullptr;  // null: no entry
  std::string secret_setting;      // the kind's setting, with user name and password
  std::string number;              // the kind's number (a VPN's server), "" for PPPoE
  std::string username;
  uint32_t password_flags = 0;  // NMSettingSecretFlags of the password
  bool user_limited = false;    // connection.permissions names users
};

// The secrets NetworkManager keeps for a profile.
struct StoredSecrets {
  SecretText password;
  SecretText pin;                         // a gsm SIM's PIN
  SecretText others[kMostStoredSecrets];  // a VPN's, as its kind's stored_secrets
};

// Fills profile from a GetSettings reply; false when it is no entry.
bool ReadProfile(sd_bus_message* settings, Profile& profile);

// The profile named name (compared byte for byte, also with the id's outer
// blanks removed, as the dialer trims the names it lists); 623 when there
// is none. The profiles are those of profile_cache.h.
uint32_t FindProfile(const char* name, Profile& profile);

// Whether NetworkManager keeps the profile's password itself.
bool PasswordStored(const Profile& profile);

// The secrets NetworkManager keeps for the profile, read only when the
// caller plainly may read them (permissions say "yes"), so no one is ever
// asked to authorise it. Empty otherwise.
void ReadStoredSecrets(sd_bus* bus, const Profile& profile, const Permissions& permissions,
                       StoredSecrets& secrets);

}  // namespace nmras

#endif
