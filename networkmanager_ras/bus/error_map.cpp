// The one table of NetworkManager failures and the remote-access error
// codes they are reported as, each a documented remote-access (or, for 5,
// general) error code, and what every code a run reports means: the
// manual page's list of error codes is printed from it at build time.
#include "networkmanager_ras/bus/error_map.h"

#include <cerrno>
#include <cstring>

#include "networkmanager_ras/bus/nm_names.h"
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

// What each code means, for the manual page: NetworkManager's device
// reasons in plain type, its active-connection reasons and D-Bus errors
// marked so. Beside the table's codes, those the library gives by itself;
// the interface's own (remote_access/interface_errors.cpp) join them there.
constexpr ErrorMeaning kMeanings[] = {
    {RAS_ERROR_ACCESS_DENIED,
     "NetworkManager refused the permission (D-Bus AccessDenied, PermissionDenied)"},
    {RAS_ERROR_INVALID_HANDLE,
     "the connection is no longer known (after its hang-up), is no dial-up link, or was "
     "numbered by a NetworkManager that has restarted since"},
    {RAS_ERROR_INVALID_PARAMETER,
     "bad arguments; also a user name, password or number that is not valid UTF-8, which "
     "D-Bus cannot carry"},
    {RAS_ERROR_BUFFER_TOO_SMALL, "a buffer too small (more than 100 active connections)"},
    {RAS_ERROR_DEVICE_DOES_NOT_EXIST,
     "the device is gone (removed, modem-not-found, ModemManager unavailable; active "
     "connection device-removed; D-Bus UnknownDevice)"},
    {RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY,
     "no such profile, also one deleted between the listing and the dial or while its link is "
     "up (connection-removed, and so for the active connection)"},
    {RAS_ERROR_REMOTE_DISCONNECTION, "the remote end closed the PPP link (ppp-disconnect)"},
    {RAS_ERROR_USER_DISCONNECTION,
     "the link was taken down by a user or another activation (user-requested, "
     "new-activation; active connection user-disconnected)"},
    {RAS_ERROR_INVALID_SIZE, "a record of the wrong size"},
    {RAS_ERROR_PORT_NOT_AVAILABLE,
     "no modem free or able to dial out: every device that offers the entry is busy, or none "
     "offers it (D-Bus ConnectionNotAvailable); the SIM missing, wrong, PUK-locked or its PIN "
     "refused; not registered (gsm-registration-*); sleeping; Bluetooth failed"},
    {RAS_ERROR_UNKNOWN,
     "any other reason or local fault (unknown); also a refused mobile-broadband login, which "
     "reaches NetworkManager only as unknown"},
    {RAS_ERROR_REQUEST_TIMEOUT,
     "NetworkManager gave no answer in time (active connection connect-timeout; D-Bus "
     "Timeout)"},
    {RAS_ERROR_FROM_DEVICE, "the modem reported an error (modem-dial-failed, gsm-apn-failed)"},
    {RAS_ERROR_LINE_BUSY, "line busy (modem-busy)"},
    {RAS_ERROR_NO_ANSWER, "no answer (modem-dial-timeout)"},
    {RAS_ERROR_NO_CARRIER, "no carrier (modem-no-carrier)"},
    {RAS_ERROR_NO_DIALTONE, "no dial tone (modem-no-dial-tone)"},
    {RAS_ERROR_AUTHENTICATION_FAILURE,
     "the login was refused, where NetworkManager says so (active connection login-failed); "
     "for a VPN also a password the server refused (NetworkManager asked for it again)"},
    {RAS_ERROR_PORT_OR_DEVICE,
     "modem hardware (modem-init-failed, modem-failed, firmware-missing)"},
    {RAS_ERROR_INTERACTIVE_MODE,
     "the dial needs information it could not ask for: no secrets (no-secrets, and so for the "
     "active connection; D-Bus AgentManager.NoSecrets), or a SIM that needs its PIN and got "
     "none"},
    {RAS_ERROR_RASMAN_CANNOT_INITIALIZE,
     "NetworkManager is not running, or there is no system bus (the phone book then reads as "
     "empty)"},
    {RAS_ERROR_PPP_LCP_TERMINATED,
     "the PPP link ended (ppp-failed: any end of pppd, a timeout included, so no proof of a "
     "refused login)"},
    {RAS_ERROR_AUTOMATIC_VPN_FAILED,
     "a VPN could not be set up: no base link up to carry it, its plugin missing or failing, "
     "or any other VPN reason"},
    {RAS_ERROR_VPN_DISCONNECT,
     "a VPN's tunnel ended: its service stopped, or its base link went (service-stopped, "
     "device-disconnected)"},
    {RAS_ERROR_VPN_TIMEOUT,
     "the VPN server did not answer within the profile's vpn.timeout (connect-timeout)"},
    {RAS_ERROR_IKE_AUTH_CREDENTIALS_UNACCEPTABLE,
     "IKE authentication credentials are unacceptable: an IKEv2 entry failed once its plugin had "
     "connected, for no reason given (unknown); strongSwan reports a refused password and a "
     "server certificate that does not verify alike"},
};

constexpr bool HasMeaning(uint32_t code) {
  for (const ErrorMeaning& row : kMeanings) {
    if (row.code == code) return true;
  }
  return false;
}

template <typename Row, size_t kCount>
constexpr bool EveryCodeHasMeaning(const Row (&rows)[kCount]) {
  for (const Row& row : rows) {
    if (!HasMeaning(row.code)) return false;
  }
  return true;
}

constexpr bool InAscendingOrder() {
  for (size_t i = 1; i < sizeof kMeanings / sizeof kMeanings[0]; ++i) {
    if (kMeanings[i - 1].code >= kMeanings[i].code) return false;
  }
  return true;
}

// A code the table gives without a meaning would be missing from the
// manual page: stop the build instead.
static_assert(EveryCodeHasMeaning(kReasons), "a code of kReasons has no row in kMeanings");
static_assert(EveryCodeHasMeaning(kBusErrors), "a code of kBusErrors has no row in kMeanings");
static_assert(InAscendingOrder(), "kMeanings is listed in ascending order of code, once each");

}  // namespace

ErrorMeaningList ErrorMeanings() {
  return {kMeanings, sizeof kMeanings / sizeof kMeanings[0]};
}

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
