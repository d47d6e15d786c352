// Connection states from NetworkManager's device states. The states a dial
// reports only move forward, so a device that goes back (prepare, need-auth,
// prepare again) repeats nothing.
#ifndef NELVO_NM_STATE_MAP_H
#define NELVO_NM_STATE_MAP_H

#include <cstdint>
#include <vector>

#include "networkmanager_ras/bus/nm_names.h"

namespace nmras {

// The connection states a device state stands for, in order; none for a
// state that adds nothing (need-auth, activated: the active connection's
// own activated state gives RASCS_Connected).
std::vector<uint32_t> StatesOfDeviceState(uint32_t device_state);

// The connection states a VPN state stands for, the VPN's walk reported as
// a modem's is: need-auth (the plugin runs), connect, ip-config-get. None
// for activated: NetworkManager also says so while it deactivates a VPN, so
// only the active connection's activated state means connected.
std::vector<uint32_t> StatesOfVpnState(uint32_t vpn_state);

// Keeps the states reported so far moving forward.
class ForwardStates {
 public:
  // The states of candidates not yet passed, in order; records them.
  std::vector<uint32_t> Advance(const std::vector<uint32_t>& candidates);
  // The latest state passed; RASCS_OpenPort before any.
  uint32_t Latest() const { return started_ ? latest_ : 0; }

 private:
  bool started_ = false;
  uint32_t latest_ = 0;
};

}  // namespace nmras

#endif
