// OpenVPN, through NetworkManager-openvpn. Its logins with a password are
// "password" and "password-tls" (a client certificate too); a
// certificate-only login asks for no password and is no entry.
#include "networkmanager_ras/phone_book/vpn_plugins/vpn_plugins.h"

namespace nmras {
namespace {

const char* const kLogins[] = {"password", "password-tls", nullptr};
// What nm-openvpn-service.c's check_need_secrets() asks for beside the
// password: an encrypted key's password, and a proxy's when a proxy user is set.
const char* const kStoredSecrets[] = {"cert-pass", "http-proxy-password", nullptr};
static_assert(sizeof kStoredSecrets / sizeof *kStoredSecrets - 1 <= kMostStoredSecrets);

}  // namespace

// The server is OpenVPN's "remote", the login its "username"; the password
// goes as the VPN secret "password". Its refusals reach NetworkManager as
// a second request for the password (the reason table's codes apply).
// clang-format off
extern const LinkKind kOpenVpnKind = {
    "vpn", "vpn", "org.freedesktop.NetworkManager.openvpn", "vpn",  // type, its service, setting
    true, "connection-type", kLogins,                                // data: login key, logins
    "remote", "username", "vpn", true,                               // number, user, device, base
    kStoredSecrets, 0};                                              // secrets, refusal code
// clang-format on

}  // namespace nmras
