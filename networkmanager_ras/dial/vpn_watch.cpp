// A VPN's states and failures.
#include "networkmanager_ras/dial/vpn_watch.h"

#include "networkmanager_ras/bus/error_map.h"
#include "networkmanager_ras/dial/state_map.h"

namespace nmras {

std::vector<uint32_t> OnVpnState(VpnProgress& progress, uint32_t vpn_state) {
  if (vpn_state == kVpnNeedAuth && progress.connecting) progress.refused = true;
  // Past connect, too: a dial that follows a link may first see it there.
  if (vpn_state >= kVpnConnect && vpn_state <= kVpnActivated) progress.connecting = true;
  return StatesOfVpnState(vpn_state);
}

uint32_t VpnFailureCode(const VpnProgress& progress, uint32_t reason) {
  if (reason == kActiveReasonNoSecrets && progress.refused) {
    return RAS_ERROR_AUTHENTICATION_FAILURE;
  }
  if (reason == kActiveReasonUnknown && progress.connecting && progress.refused_code != 0) {
    return progress.refused_code;
  }
  return ReasonErrorCode(ReasonSource::kVpn, reason);
}

}  // namespace nmras
