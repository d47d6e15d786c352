// The table of link kinds, in the order the phone book was built from
// before it was a table; NetworkManager's own order decides the listing.
// The dial-up kinds stand here; each VPN plugin in a file of its own.
#include "networkmanager_ras/phone_book/link_kinds.h"

#include "networkmanager_ras/phone_book/vpn_plugins/vpn_plugins.h"

namespace nmras {
namespace {

// clang-format off
// type, the setting and variant it must say, the setting with the user and
// password, no VPN data, number and user keys, device type, no base link.
constexpr LinkKind kGsm = {"gsm", nullptr, nullptr, "gsm", false, nullptr, nullptr,
                           "number", "username", "modem", false, nullptr, 0};
constexpr LinkKind kCdma = {"cdma", nullptr, nullptr, "cdma", false, nullptr, nullptr,
                            "number", "username", "modem", false, nullptr, 0};
constexpr LinkKind kPppoe = {"pppoe", nullptr, nullptr, "pppoe", false, nullptr, nullptr,
                             "", "username", "PPPoE", false, nullptr, 0};
// Bluetooth dial-up (DUN) carries a gsm or cdma setting; a personal-area
// network profile is no dial-up link.
constexpr LinkKind kBluetoothGsm = {"bluetooth", "bluetooth", "dun", "gsm", false, nullptr,
                                    nullptr, "number", "username", "modem", false, nullptr, 0};
constexpr LinkKind kBluetoothCdma = {"bluetooth", "bluetooth", "dun", "cdma", false, nullptr,
                                     nullptr, "number", "username", "modem", false, nullptr, 0};
// clang-format on

const LinkKind* const kKinds[] = {&kGsm,           &kCdma,        &kPppoe,         &kBluetoothGsm,
                                  &kBluetoothCdma, &kOpenVpnKind, &kStrongswanKind};

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
  for (const LinkKind* kind : kKinds) {
    if (Accepts(*kind, clues)) return kind;
  }
  return nullptr;
}

const LinkKind* KindOfType(const std::string& type, bool& ask_profile) {
  ask_profile = false;
  for (const LinkKind* kind : kKinds) {
    if (type != kind->type) continue;
    if (kind->variant == nullptr) return kind;
    ask_profile = true;
  }
  return nullptr;
}

const char* DeviceTypeOfType(const std::string& type) {
  for (const LinkKind* kind : kKinds) {
    if (type == kind->type) return kind->device_type;
  }
  return "";
}

}  // namespace nmras
