// Active connections on Linux: NetworkManager's active connections of the
// dial-up kinds, each under the handle N of its path
// /org/freedesktop/NetworkManager/ActiveConnection/N, the same in every
// process. Links of other kinds are no connections of this library.
#ifndef NELVO_NM_CONNECTIONS_H
#define NELVO_NM_CONNECTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "networkmanager_ras/bus/nm_bus.h"
#include "remote_access/ras_records.h"

namespace nmras {

// The active dial-up connections, in NetworkManager's order, each record
// filled but for dwSize. Returns 0 or the error code.
uint32_t ListConnections(std::vector<RASCONN>& connections);

// The path of the entry's dial-up link that is up or coming up, "" when
// there is none.
std::string ActiveLinkOfEntry(sd_bus* bus, const std::string& entry_id);

// Whether NetworkManager says the device is activating active_path.
bool DeviceServes(sd_bus* bus, const std::string& device, const std::string& active_path);

// Whether active_path, a modem's activation of the stored profile at
// profile_path (not a dial's copy, whose own agent answers), waits for
// secrets that no agent has given: its device in need-auth, where a modem
// waits for ever (nm-modem.c ignores no-secrets). device gets that device.
// A VPN never counts: with no agent it fails at once, so one in need-auth
// has an agent at work on it.
bool WaitsForSecrets(sd_bus* bus, const std::string& active_path, const std::string& profile_path,
                     std::string& device);

// The status of a connection: a dial of this process from the dial table,
// any other from NetworkManager. Returns 0 or the error code (6 for a
// handle no longer known, or not a dial-up link).
uint32_t ConnectionStatus(HRASCONN handle, RASCONNSTATUS& status);

// Takes the connection's link down (link_end.h); a failed dial is forgotten,
// and an activation of it that NetworkManager has not yet ended is ended.
// Returns 0 or the error code.
uint32_t HangUp(HRASCONN handle);

}  // namespace nmras

#endif
