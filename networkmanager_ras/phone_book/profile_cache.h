// The profiles as NetworkManager lists them, kept between calls (the
// library stays mapped while the dialer loads and frees it) on a bus
// connection of the cache's own that hears every signal of NetworkManager's
// profiles. Each call asks ListConnections over that connection: the
// signals NetworkManager sent before answering arrive before the answer, so
// every changed profile is read afresh and every answer is the profiles as
// they are at the moment of the call. Only new and changed profiles cost
// GetSettings calls.
#ifndef NELVO_NM_PROFILE_CACHE_H
#define NELVO_NM_PROFILE_CACHE_H

#include <cstdint>
#include <vector>

#include "networkmanager_ras/phone_book/phone_book.h"

namespace nmras {

// The dial-up profiles, in NetworkManager's order, volatile copies left
// out. Returns 0 or the error code.
uint32_t CachedProfiles(std::vector<Profile>& profiles);

}  // namespace nmras

#endif
