// The table of link kinds, in the order the phone book was built from
// before it was a table; NetworkManager's own order decides the listing.
#include "networkmanager_ras/link_kinds.h"

#include "remote_access/ras_records.h"

namespace nmras {
namespace {

const char* const kOpenVpnLogins[] = {"password", "password-tls", nullptr};
// EAP alone takes a user name and password. psk's secret is a key shared by
// every user; cert, eap-tls, key, agent and smartcard log in with a
// certificate, their secret only unlocks its key.
const char* const kStrongswanLogins[] = {"eap", nullptr};

constexpr LinkKind kKinds[] = {
    {"gsm", nullptr, nullptr, "gsm", false, nullptr, nullptr, "number", "username", "modem", false,
     0},
    {"cdma", nullptr, nullptr, "cdma", false, nullptr, nullptr, "number", "username", "modem",
     false, 0},
    {"pppoe", nullptr, nullptr, "pppoe", false, nullptr, nullptr, "", "username", "PPPoE", false,
     0},
    // Bluetooth dial-up (DUN) carries a gsm or cdma setting; a personal-area
    // network profile is no dial-up link.
    {"bluetooth", "bluetooth", "dun", "gsm", false, nullptr, nullptr, "number", "username", "modem",
     false, 0},
    {"bluetooth", "bluetooth", "dun", "cdma", false, nullptr, nullptr, "number", "username",
     "modem", false, 0},
    // OpenVPN: the server is OpenVPN's "remote", the login its "username";
    // the password goes as the VPN secret "password".
    {"vpn", "vpn", "org.freedesktop.NetworkManager.openvpn", "vpn", true, "connection-type",
     kOpenVpnLogins, "remote", "username", "vpn", true, 0},
    // IKEv2 through strongSwan's charon-nm: the server is its "address", the
    // login its "user"; the password goes as the VPN secret "password".
    // charon-nm reports a refused password and a server certificate that
    // does not verify alike (a connect failure, the plugin stopped, and only
    // then a login failure NetworkManager no longer hears), so both are the
    // code true of both: the IKE credentials were unacceptable.
    {"vpn", "vpn", "org.freedesktop.NetworkManager.strongswan", "vpn", true, "method",
     kStrongswanLogins, "address", "user", "vpn", true,
     RAS_ERROR_IKE_AUTH_CREDENTIALS_UNACCEPTABLE},
};

bool Accepts(const LinkKind& kind, const KindClues& clues) {
  if (clues.type != kind.type || clues.settings.count(kind.setting) == 0) return false;
  if (kind.variant != nullptr) {
    auto it = clues.variants.find(kind.variant_setting);
    if (it == clues.variants.end() || it->second != kind.variant) return false;
  }
  if (kind.logins == nullptr) return true;
  auto login = clues.data.find(kind.login_key);
  if (login == clues.data.end()) return false;
  for (const char* const* each = kind.logins; *each != nullptr; ++each) {
    if (login->second == *each) return true;
  }
  return false;
}

}  // namespace

const LinkKind* KindOf(const KindClues& clues) {
  for (const LinkKind& kind : kKinds) {
    if (Accepts(kind, clues)) return &kind;
  }
  return nullptr;
}

const LinkKind* KindOfType(const std::string& type, bool& ask_profile) {
  ask_profile = false;
  for (const LinkKind& kind : kKinds) {
    if (type != kind.type) continue;
    if (kind.variant == nullptr) return &kind;
    ask_profile = true;
  }
  return nullptr;
}

const char* DeviceTypeOfType(const std::string& type) {
  for (const LinkKind& kind : kKinds) {
    if (type == kind.type) return kind.device_type;
  }
  return "";
}

}  // namespace nmras
