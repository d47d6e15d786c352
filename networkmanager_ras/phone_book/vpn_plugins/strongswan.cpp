// IKEv2 through strongSwan's charon-nm (NetworkManager-strongswan). EAP
// alone takes a user name and password: psk's secret is a key shared by
// every user; cert, eap-tls, key, agent and smartcard log in with a
// certificate, their secret only unlocks its key.
#include "networkmanager_ras/phone_book/vpn_plugins/vpn_plugins.h"

#include "remote_access/ras_records.h"

namespace nmras {
namespace {

const char* const kLogins[] = {"eap", nullptr};

}  // namespace

// The server is its "address", the login its "user"; the password goes as
// the VPN secret "password" (charon-nm's need_secrets asks for nothing
// else). charon-nm reports a refused password and a server certificate
// that does not verify alike (nm_service.c: a connect failure, the plugin
// stopped, and only then a login failure NetworkManager no longer hears),
// so both are the code true of both: the IKE credentials were unacceptable.
// clang-format off
extern const LinkKind kStrongswanKind = {
    "vpn", "vpn", "org.freedesktop.NetworkManager.strongswan", "vpn",  // type, its service, setting
    true, "method", kLogins,                                            // data: login key, logins
    "address", "user", "vpn", true,                                     // number, user, device, base
    nullptr, RAS_ERROR_IKE_AUTH_CREDENTIALS_UNACCEPTABLE};              // secrets, refusal code
// clang-format on

}  // namespace nmras
