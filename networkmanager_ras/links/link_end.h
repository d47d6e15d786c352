// Ending one active connection, and touching nothing else: the active
// connection alone is deactivated. NetworkManager itself keeps a stored
// profile that a user deactivated from autoconnecting again until it is
// activated by hand (nm-policy.c blocks it for user-request), and a dial's
// volatile copy is deleted when it goes down, so no profile needs to be
// rewritten and only network-control is asked for. A device's Disconnect
// would block every profile on the device, and for a link that rides on
// another (a VPN) it would end the link underneath.
#ifndef NELVO_NM_LINK_END_H
#define NELVO_NM_LINK_END_H

#include <cstdint>
#include <string>

#include "networkmanager_ras/bus/nm_bus.h"

namespace nmras {

// Deactivates active_path alone. Returns 0 or the error code.
uint32_t DeactivateActive(sd_bus* bus, const std::string& active_path);

}  // namespace nmras

#endif
