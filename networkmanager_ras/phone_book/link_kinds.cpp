// The table of link kinds, in the order the phone book was built from
// before it was a table; NetworkManager's own order decides the listing.
#include "networkmanager_ras/phone_book/link_kinds.h"

namespace nmras {
namespace {

const char* const kOpenVpnLogins[] = {"password", "password-tls", nullptr};
// What nm-openvpn-service.c's check_need_secrets() asks for beside the
// password: an encrypted key's password, and a proxy's when a proxy user is set.
const char* const kOpenVpnStoredSecrets[] = {"cert-pass", "http-proxy-password", nullptr};
static_assert(sizeof kOpenVpnStoredSecrets / sizeof *kOpenVpnStoredSecrets - 1 <= kMostStoredSecrets);

constexpr LinkKind kKinds[] = {
    {"gsm", nullptr, nullptr, "gsm", false, nullptr, "number", "username", "modem", false, nullptr},
    {"cdma", nullptr, nullptr, "cdma", false, nullptr, "number", "username", "modem", false, nullptr},
    {"pppoe", nullptr, nullptr, "pppoe", false, nullptr, "", "username", "PPPoE", false, nullptr},
    // Bluetooth dial-up (DUN) carries a gsm or cdma setting; a personal-area
    // network profile is no dial-up link.
    {"bluetooth", "bluetooth", "dun", "gsm", false, nullptr, "number", "username", "modem", false, nullptr},
    {"bluetooth", "bluetooth", "dun", "cdma", false, nullptr, "number", "username", "modem", false, nullptr},
    // OpenVPN: the server is OpenVPN's "remote", the login its "username";
    // the password goes as the VPN secret "password".
    {"vpn", "vpn", "org.freedesktop.NetworkManager.openvpn", "vpn", true, kOpenVpnLogins,
     "remote", "username", "vpn", true, kOpenVpnStoredSecrets},
};

bool Accepts(const LinkKind& kind, const KindClues& clues) {
  if (clues.type != kind.type || clues.settings.count(kind.setting) == 0) return false;
  if (kind.variant != nullptr) {
    auto it = clues.variants.find(kind.variant_setting);
    if (it == clues.variants.end() || it->second != kind.variant) return false;
  }
  if (kind.logins == nullptr) return true;
  for (const char* const* login = kind.logins; *login != nullptr; ++login) {
    if (clues.login == *login) return true;
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
