// Ending one active connection so that it stays ended, and touching
// nothing else: the entry's own profile is kept from autoconnecting (until
// someone activates it by hand), never the device, whose other profiles may
// still come up on it; then the active connection alone is deactivated. A
// device's Disconnect would block every profile on the device, and for a
// link that rides on another (a VPN) it would end the link underneath.
#ifndef NELVO_NM_LINK_END_H
#define NELVO_NM_LINK_END_H

#include <cstdint>
#include <string>

#include "networkmanager_ras/nm_bus.h"

namespace nmras {

// Blocks the autoconnect of the entry's profile (profile_path, or, when
// that is a dial's volatile copy, the entry's stored profile of the same
// id), then deactivates active_path. Returns 0 or the error code of the
// deactivation; a profile that cannot be blocked (no permission to modify
// it) does not keep the link up.
uint32_t EndLink(sd_bus* bus, const std::string& active_path, const std::string& entry_id,
                 const std::string& profile_path);

// Deactivates active_path alone (an attempt of a dial's own that never
// became a link). Returns 0 or the error code.
uint32_t DeactivateActive(sd_bus* bus, const std::string& active_path);

}  // namespace nmras

#endif
