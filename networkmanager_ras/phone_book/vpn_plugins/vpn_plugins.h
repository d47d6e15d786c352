// The VPN plugins whose profiles are entries, one file each: what the
// plugin is to a dial (its service, its server and user keys, which logins
// take a password, the secrets it asks for beside it, how its refusals
// reach NetworkManager). A plugin no real test has proven has no file.
#ifndef NELVO_NM_VPN_PLUGINS_H
#define NELVO_NM_VPN_PLUGINS_H

#include "networkmanager_ras/phone_book/link_kinds.h"

namespace nmras {

extern const LinkKind kOpenVpnKind;
extern const LinkKind kStrongswanKind;

}  // namespace nmras

#endif
