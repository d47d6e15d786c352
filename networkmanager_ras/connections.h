// Active connections on Linux: NetworkManager's active connections of the
// dial-up kinds, each under the handle N of its path
// /org/freedesktop/NetworkManager/ActiveConnection/N, the same in every
// process.
#ifndef NELVO_NM_CONNECTIONS_H
#define NELVO_NM_CONNECTIONS_H

#include <cstdint>
#include <vector>

#include "remote_access/ras_records.h"

namespace nmras {

// The active dial-up connections, in NetworkManager's order, each record
// filled but for dwSize. Returns 0 or the error code.
uint32_t ListConnections(std::vector<RASCONN>& connections);

// The status of a connection: a dial of this process from the dial table,
// any other from NetworkManager. Returns 0 or the error code (6 for a
// handle no longer known).
uint32_t ConnectionStatus(HRASCONN handle, RASCONNSTATUS& status);

// Deactivates a connection, or forgets a failed dial. Returns 0 or the
// error code.
uint32_t HangUp(HRASCONN handle);

}  // namespace nmras

#endif
