// A VPN's states and failures, and its base link.
#include "networkmanager_ras/vpn_watch.h"

#include "networkmanager_ras/error_map.h"
#include "networkmanager_ras/state_map.h"

namespace nmras {

std::vector<uint32_t> OnVpnState(VpnProgress& progress, uint32_t vpn_state) {
  if (vpn_state == kVpnNeedAuth && progress.connecting) progress.refused = true;
  if (vpn_state == kVpnConnect) progress.connecting = true;
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

uint32_t BaseLinkOfVpn(sd_bus* bus, std::string& base_active_path) {
  Message reply;
  const char* path = nullptr;
  uint32_t code = GetProperty(bus, kNmPath, kNmInterface, "PrimaryConnection", "o", reply,
                              RAS_ERROR_RASMAN_CANNOT_INITIALIZE);
  if (code != 0) return code;
  if (sd_bus_message_read_basic(reply.get(), 'o', &path) <= 0 || HandleOfActivePath(path) == 0) {
    return RAS_ERROR_AUTOMATIC_VPN_FAILED;
  }
  base_active_path = path;
  return 0;
}

bool VpnWaitsForSecrets(sd_bus* bus, const std::string& active_path) {
  uint32_t state = 0;
  return GetUintProperty(bus, active_path.c_str(), kVpnInterface, "VpnState", state) == 0 &&
         state == kVpnNeedAuth;
}

}  // namespace nmras
