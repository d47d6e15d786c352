// The table of device states and the connection states they report.
#include "networkmanager_ras/dial/state_map.h"

#include "remote_access/ras_records.h"

namespace nmras {

std::vector<uint32_t> StatesOfDeviceState(uint32_t device_state) {
  switch (device_state) {
    case kDevicePrepare:
      return {RASCS_PortOpened, RASCS_ConnectDevice};
    case kDeviceConfig:
      return {RASCS_DeviceConnected, RASCS_AllDevicesConnected};
    case kDeviceIpConfig:
      return {RASCS_Authenticate};
    case kDeviceIpCheck:
    case kDeviceSecondaries:
      return {RASCS_Authenticated};
    default:
      return {};
  }
}

std::vector<uint32_t> StatesOfVpnState(uint32_t vpn_state) {
  switch (vpn_state) {
    case kVpnPrepare:
    case kVpnNeedAuth:
      return {RASCS_PortOpened, RASCS_ConnectDevice};
    case kVpnConnect:
      return {RASCS_DeviceConnected, RASCS_AllDevicesConnected, RASCS_Authenticate};
    case kVpnIpConfigGet:
      return {RASCS_Authenticated};
    default:
      return {};
  }
}

std::vector<uint32_t> ForwardStates::Advance(const std::vector<uint32_t>& candidates) {
  std::vector<uint32_t> passed;
  for (uint32_t state : candidates) {
    if (!started_ || state > latest_) {
      started_ = true;
      latest_ = state;
      passed.push_back(state);
    }
  }
  return passed;
}

}  // namespace nmras
