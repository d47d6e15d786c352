// What NetworkManager's GetPermissions answers for the caller: "yes", "no"
// or "auth" for each permission. NetworkManager asks polkit about every one
// of them, so an answer also shows that polkit answers now. That matters
// before an activation: NetworkManager waits for polkit without a bound
// (nm-auth-manager.c), and carries out an activation asked for while
// polkit hangs whenever polkit answers, long after the dial gave up.
#ifndef NELVO_NM_PERMISSIONS_H
#define NELVO_NM_PERMISSIONS_H

#include <cstdint>
#include <map>
#include <string>

#include "networkmanager_ras/bus/nm_bus.h"

namespace nmras {

using Permissions = std::map<std::string, std::string>;

// Reads the caller's permissions. Returns 0, or the error code (638 when
// no answer came in time).
uint32_t ReadPermissions(sd_bus* bus, Permissions& permissions);

// Whether the permission is granted outright, so using it asks no one.
bool Granted(const Permissions& permissions, const char* permission);

}  // namespace nmras

#endif
