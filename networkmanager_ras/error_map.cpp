// The one table of NetworkManager failures and the remote-access error
// codes they are reported as, each a documented remote-access (or, for 5,
// general) error code. The README shows the same table.
#include "networkmanager_ras/error_map.h"

#include <cerrno>
#include <cstring>

#include "networkmanager_ras/nm_names.h"
#include "remote_access/ras_records.h"

namespace nmras {
namespace {

struct ReasonRow {
  ReasonSource source;
  uint32_t reason;
  uint32_t code;
};

constexpr ReasonSource kDev = ReasonSource::kDevice;
constexpr ReasonSource kAct = ReasonSource::kActiveConnection;
constexpr ReasonSource kVpn = ReasonSource::kVpn;

// ppp-failed is set for any end of pppd, a timeout included: it says the
// PPP link ended (734), not that a login was refused. A refused
// mobile-broadband login reaches NetworkManager only as "unknown" (635).
// SIM, registration and Bluetooth faults leave the modem unable to dial
// out (633); a SIM that needs its PIN and gets none needs information the
// dial could not ask for (703).
// A VPN whose server never answers ends with connect-timeout (809); a
// tunnel that ended, also by the base link's going (device-disconnected),
// is 807; every other failure to set it up, a missing or failing plugin
// included, is 800. A refused password ends as no-secrets once the dial's
// agent refuses to answer again; the watch knows that and says 691.
constexpr ReasonRow kReasons[] = {
    {kDev, kDeviceReasonNoSecrets, RAS_ERROR_INTERACTIVE_MODE},
    {kDev, kDeviceReasonPppDisconnect, RAS_ERROR_REMOTE_DISCONNECTION},
    {kDev, kDeviceReasonPppFailed, RAS_ERROR_PPP_LCP_TERMINATED},
    {kDev, kDeviceReasonModemBusy, RAS_ERROR_LINE_BUSY},
    {kDev, kDeviceReasonModemNoDialTone, RAS_ERROR_NO_DIALTONE},
    {kDev, kDeviceReasonModemNoCarrier, RAS_ERROR_NO_CARRIER},
    {kDev, kDeviceReasonModemDialTimeout, RAS_ERROR_NO_ANSWER},
    {kDev, kDeviceReasonModemDialFailed, RAS_ERROR_FROM_DEVICE},
    {kDev, kDeviceReasonModemInitFailed, RAS_ERROR_PORT_OR_DEVICE},
    {kDev, kDeviceReasonGsmApnFailed, RAS_ERROR_FROM_DEVICE},
    {kDev, kDeviceReasonGsmRegistrationNotSearching, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonGsmRegistrationDenied, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonGsmRegistrationTimeout, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonGsmRegistrationFailed, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonGsmPinCheckFailed, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonFirmwareMissing, RAS_ERROR_PORT_OR_DEVICE},
    {kDev, kDeviceReasonRemoved, RAS_ERROR_DEVICE_DOES_NOT_EXIST},
    {kDev, kDeviceReasonSleeping, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonConnectionRemoved, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
    {kDev, kDeviceReasonUserRequested, RAS_ERROR_USER_DISCONNECTION},
    {kDev, kDeviceReasonModemNotFound, RAS_ERROR_DEVICE_DOES_NOT_EXIST},
    {kDev, kDeviceReasonBtFailed, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonSimNotInserted, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonSimPinRequired, RAS_ERROR_INTERACTIVE_MODE},
    {kDev, kDeviceReasonSimPukRequired, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonSimWrong, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonModemManagerUnavailable, RAS_ERROR_DEVICE_DOES_NOT_EXIST},
    {kDev, kDeviceReasonModemFailed, RAS_ERROR_PORT_OR_DEVICE},
    {kDev, kDeviceReasonSimPinIncorrect, RAS_ERROR_PORT_NOT_AVAILABLE},
    {kDev, kDeviceReasonNewActivation, RAS_ERROR_USER_DISCONNECTION},
    {kAct, kActiveReasonUserDisconnected, RAS_ERROR_USER_DISCONNECTION},
    {kAct, kActiveReasonConnectTimeout, RAS_ERROR_REQUEST_TIMEOUT},
    {kAct, kActiveReasonNoSecrets, RAS_ERROR_INTERACTIVE_MODE},
    {kAct, kActiveReasonLoginFailed, RAS_ERROR_AUTHENTICATION_FAILURE},
    {kAct, kActiveReasonConnectionRemoved, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
    {kAct, kActiveReasonDeviceRemoved, RAS_ERROR_DEVICE_DOES_NOT_EXIST},
    {kVpn, kActiveReasonUserDisconnected, RAS_ERROR_USER_DISCONNECTION},
    {kVpn, kActiveReasonDeviceDisconnected, RAS_ERROR_VPN_DISCONNECT},
    {kVpn, kActiveReasonServiceStopped, RAS_ERROR_VPN_DISCONNECT},
    {kVpn, kActiveReasonConnectTimeout, RAS_ERROR_VPN_TIMEOUT},
    {kVpn, kActiveReasonNoSecrets, RAS_ERROR_INTERACTIVE_MODE},
    {kVpn, kActiveReasonLoginFailed, RAS_ERROR_AUTHENTICATION_FAILURE},
    {kVpn, kActiveReasonConnectionRemoved, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
};

struct BusErrorRow {
  const char* name;
  uint32_t code;
};

constexpr BusErrorRow kBusErrors[] = {
    {"org.freedesktop.DBus.Error.ServiceUnknown", RAS_ERROR_RASMAN_CANNOT_INITIALIZE},
    {"org.freedesktop.DBus.Error.NameHasNoOwner", RAS_ERROR_RASMAN_CANNOT_INITIALIZE},
    {"org.freedesktop.DBus.Error.NoReply", RAS_ERROR_RASMAN_CANNOT_INITIALIZE},
    {"org.freedesktop.DBus.Error.Disconnected", RAS_ERROR_RASMAN_CANNOT_INITIALIZE},
    {"org.freedesktop.DBus.Error.NoServer", RAS_ERROR_RASMAN_CANNOT_INITIALIZE},
    {"org.freedesktop.DBus.Error.Timeout", RAS_ERROR_REQUEST_TIMEOUT},
    {"org.freedesktop.DBus.Error.TimedOut", RAS_ERROR_REQUEST_TIMEOUT},
    {"org.freedesktop.DBus.Error.AccessDenied", RAS_ERROR_ACCESS_DENIED},
    {"org.freedesktop.NetworkManager.PermissionDenied", RAS_ERROR_ACCESS_DENIED},
    {"org.freedesktop.NetworkManager.Settings.PermissionDenied", RAS_ERROR_ACCESS_DENIED},
    {"org.freedesktop.NetworkManager.UnknownDevice", RAS_ERROR_DEVICE_DOES_NOT_EXIST},
    {"org.freedesktop.NetworkManager.ConnectionNotAvailable", RAS_ERROR_PORT_NOT_AVAILABLE},
    {"org.freedesktop.NetworkManager.AgentManager.NoSecrets", RAS_ERROR_INTERACTIVE_MODE},
};

}  // namespace

uint32_t ReasonErrorCode(ReasonSource source, uint32_t reason) {
  for (const ReasonRow& row : kReasons) {
    if (row.source == source && row.reason == reason) {
      return row.code;
    }
  }
  return source == kVpn ? RAS_ERROR_AUTOMATIC_VPN_FAILED : RAS_ERROR_UNKNOWN;
}

uint32_t BusErrorCode(const char* error_name, int negative_errno, uint32_t fallback) {
  if (error_name != nullptr && error_name[0] != '\0') {
    for (const BusErrorRow& row : kBusErrors) {
      if (std::strcmp(row.name, error_name) == 0) {
        return row.code;
      }
    }
    return fallback;
  }
  if (negative_errno == -ETIMEDOUT) return RAS_ERROR_REQUEST_TIMEOUT;
  return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
}

}  // namespace nmras
