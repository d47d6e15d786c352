// The VPN side of a dial: the VPN's own states as connection states, and
// its failures as error codes.
#ifndef NELVO_NM_VPN_WATCH_H
#define NELVO_NM_VPN_WATCH_H

#include <cstdint>
#include <string>
#include <vector>

#include "networkmanager_ras/bus/nm_bus.h"

namespace nmras {

// What a VPN dial has seen of its VPN's states.
struct VpnProgress {
  bool connecting = false;  // the plugin has reached connect
  // NetworkManager asked for the password again after connect: the server
  // refused it.
  bool refused = false;
  // The entry's kind's code for a failure with no reason after connect (0:
  // none of its own).
  uint32_t refused_code = 0;
};

// Takes in a VpnStateChanged state; returns the connection states it
// stands for (state_map.h).
std::vector<uint32_t> OnVpnState(VpnProgress& progress, uint32_t vpn_state);

// The error code of a VPN dial whose active connection ended for reason.
uint32_t VpnFailureCode(const VpnProgress& progress, uint32_t reason);

}  // namespace nmras

#endif
