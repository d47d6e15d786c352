// The one table of NetworkManager failures and the remote-access error
// codes they are reported as. Each code is one of the documented
// remote-access (or, for 5, general) error codes.
#include "networkmanager_ras/error_map.h"

#include <cerrno>
#include <cstring>

#include "remote_access/ras_records.h"

namespace nmras {
namespace {

struct ReasonRow {
  ReasonSource source;
  uint32_t reason;
  uint32_t code;
};

// Device reasons (NMDeviceStateReason) and active-connection reasons
// (NMActiveConnectionStateReason). A refused mobile-broadband login reaches
// NetworkManager only as "unknown", so it stays the general 629.
constexpr ReasonRow kReasons[] = {
    {ReasonSource::kDevice, 7, RAS_ERROR_AUTHENTICATION_FAILURE},   // no-secrets
    {ReasonSource::kDevice, 12, kErrorRemoteDisconnection},         // ppp-start-failed
    {ReasonSource::kDevice, 13, kErrorRemoteDisconnection},         // ppp-disconnect
    {ReasonSource::kDevice, 14, RAS_ERROR_AUTHENTICATION_FAILURE},  // ppp-failed (login refused)
    {ReasonSource::kDevice, 23, RAS_ERROR_LINE_BUSY},               // modem-busy
    {ReasonSource::kDevice, 24, kErrorNoDialTone},                  // modem-no-dial-tone
    {ReasonSource::kDevice, 25, kErrorNoCarrier},                   // modem-no-carrier
    {ReasonSource::kDevice, 26, RAS_ERROR_NO_ANSWER},               // modem-dial-timeout
    {ReasonSource::kDevice, 27, kErrorFromDevice},                  // modem-dial-failed
    {ReasonSource::kDevice, 28, kErrorPortOrDevice},                // modem-init-failed
    {ReasonSource::kDevice, 36, kErrorDeviceDoesNotExist},          // removed
    {ReasonSource::kDevice, 38, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},  // connection-removed
    {ReasonSource::kDevice, 39, kErrorUserDisconnection},                // user-requested
    {ReasonSource::kDevice, 43, kErrorDeviceDoesNotExist},               // modem-not-found
    {ReasonSource::kDevice, 52, kErrorServiceNotRunning},             // modem-manager-unavailable
    {ReasonSource::kActiveConnection, 2, kErrorUserDisconnection},    // user-disconnected
    {ReasonSource::kActiveConnection, 4, kErrorServiceNotRunning},    // service-stopped
    {ReasonSource::kActiveConnection, 6, RAS_ERROR_REQUEST_TIMEOUT},  // connect-timeout
    {ReasonSource::kActiveConnection, 9, RAS_ERROR_AUTHENTICATION_FAILURE},        // no-secrets
    {ReasonSource::kActiveConnection, 10, RAS_ERROR_AUTHENTICATION_FAILURE},       // login-failed
    {ReasonSource::kActiveConnection, 11, RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},  // removed
    {ReasonSource::kActiveConnection, 14, kErrorDeviceDoesNotExist},               // device-removed
};

struct BusErrorRow {
  const char* name;
  uint32_t code;
};

constexpr BusErrorRow kBusErrors[] = {
    {"org.freedesktop.DBus.Error.ServiceUnknown", kErrorServiceNotRunning},
    {"org.freedesktop.DBus.Error.NameHasNoOwner", kErrorServiceNotRunning},
    {"org.freedesktop.DBus.Error.NoReply", kErrorServiceNotRunning},
    {"org.freedesktop.DBus.Error.Disconnected", kErrorServiceNotRunning},
    {"org.freedesktop.DBus.Error.NoServer", kErrorServiceNotRunning},
    {"org.freedesktop.DBus.Error.Timeout", RAS_ERROR_REQUEST_TIMEOUT},
    {"org.freedesktop.DBus.Error.TimedOut", RAS_ERROR_REQUEST_TIMEOUT},
    {"org.freedesktop.DBus.Error.AccessDenied", kErrorAccessDenied},
    {"org.freedesktop.NetworkManager.PermissionDenied", kErrorAccessDenied},
    {"org.freedesktop.NetworkManager.Settings.PermissionDenied", kErrorAccessDenied},
    {"org.freedesktop.NetworkManager.UnknownDevice", kErrorDeviceDoesNotExist},
    {"org.freedesktop.NetworkManager.ConnectionNotAvailable", kErrorDeviceDoesNotExist},
};

}  // namespace

uint32_t ReasonErrorCode(ReasonSource source, uint32_t reason) {
  for (const ReasonRow& row : kReasons) {
    if (row.source == source && row.reason == reason) {
      return row.code;
    }
  }
  return kErrorRemoteDisconnection;
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
  return kErrorServiceNotRunning;
}

}  // namespace nmras
