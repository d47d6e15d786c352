// RasDialA's work: find the entry's profile, activate its copy and follow
// the dial, on a thread of the library's own when there is a notifier.
#ifndef NELVO_NM_DIAL_START_H
#define NELVO_NM_DIAL_START_H

#include <cstdint>

#include "remote_access/ras_records.h"

namespace nmras {

// Dials params->szEntryName with the number, user name and password in
// params. Sets *handle on every path past the argument checks; a dial that
// fails at once gets a handle whose status answers the error until it is
// hung up. Returns 0 (with a notifier: the dial is under way; without: it
// has connected) or the error code.
uint32_t Dial(const RASDIALPARAMS& params, RasDialFunc notifier, HRASCONN* handle);

}  // namespace nmras

#endif
