// NetworkManager's D-Bus names and the values of its enumerations that the
// library reads, each written here once (NetworkManager's nm-dbus-interface.h
// gives the numbers).
#ifndef NELVO_NM_NAMES_H
#define NELVO_NM_NAMES_H

#include <cstdint>

namespace nmras {

constexpr const char* kNmService = "org.freedesktop.NetworkManager";
constexpr const char* kNmPath = "/org/freedesktop/NetworkManager";
constexpr const char* kNmInterface = "org.freedesktop.NetworkManager";
constexpr const char* kSettingsPath = "/org/freedesktop/NetworkManager/Settings";
constexpr const char* kSettingsInterface = "org.freedesktop.NetworkManager.Settings";
constexpr const char* kProfileInterface = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr const char* kActiveInterface = "org.freedesktop.NetworkManager.Connection.Active";
constexpr const char* kDeviceInterface = "org.freedesktop.NetworkManager.Device";
constexpr const char* kVpnInterface = "org.freedesktop.NetworkManager.VPN.Connection";
constexpr const char* kActivePrefix = "/org/freedesktop/NetworkManager/ActiveConnection/";
constexpr const char* kAgentManagerPath = "/org/freedesktop/NetworkManager/AgentManager";
constexpr const char* kAgentManagerInterface = "org.freedesktop.NetworkManager.AgentManager";
constexpr const char* kAgentPath = "/org/freedesktop/NetworkManager/SecretAgent";
constexpr const char* kAgentInterface = "org.freedesktop.NetworkManager.SecretAgent";
constexpr const char* kAgentNoSecrets = "org.freedesktop.NetworkManager.SecretAgent.NoSecrets";
constexpr const char* kAgentUserCanceled =
    "org.freedesktop.NetworkManager.SecretAgent.UserCanceled";
constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";

// Device states (NMDeviceState).
enum : uint32_t {
  kDeviceDisconnected = 30,
  kDevicePrepare = 40,
  kDeviceConfig = 50,
  kDeviceNeedAuth = 60,
  kDeviceIpConfig = 70,
  kDeviceIpCheck = 80,
  kDeviceSecondaries = 90,
  kDeviceActivated = 100,
  kDeviceDeactivating = 110,
  kDeviceFailed = 120,
};

// Active-connection states (NMActiveConnectionState).
enum : uint32_t {
  kActiveActivating = 1,
  kActiveActivated = 2,
  kActiveDeactivating = 3,
  kActiveDeactivated = 4,
};

// VPN connection states (NMVpnConnectionState).
enum : uint32_t {
  kVpnPrepare = 1,
  kVpnNeedAuth = 2,
  kVpnConnect = 3,
  kVpnIpConfigGet = 4,
  kVpnActivated = 5,
  kVpnFailed = 6,
  kVpnDisconnected = 7,
};

// Device state reasons (NMDeviceStateReason) that the error table names.
enum DeviceReason : uint32_t {
  kDeviceReasonUnknown = 1,
  kDeviceReasonConfigFailed = 4,
  kDeviceReasonNoSecrets = 7,
  kDeviceReasonPppStartFailed = 12,
  kDeviceReasonPppDisconnect = 13,
  kDeviceReasonPppFailed = 14,
  kDeviceReasonModemBusy = 23,
  kDeviceReasonModemNoDialTone = 24,
  kDeviceReasonModemNoCarrier = 25,
  kDeviceReasonModemDialTimeout = 26,
  kDeviceReasonModemDialFailed = 27,
  kDeviceReasonModemInitFailed = 28,
  kDeviceReasonGsmApnFailed = 29,
  kDeviceReasonGsmRegistrationNotSearching = 30,
  kDeviceReasonGsmRegistrationDenied = 31,
  kDeviceReasonGsmRegistrationTimeout = 32,
  kDeviceReasonGsmRegistrationFailed = 33,
  kDeviceReasonGsmPinCheckFailed = 34,
  kDeviceReasonFirmwareMissing = 35,
  kDeviceReasonRemoved = 36,
  kDeviceReasonSleeping = 37,
  kDeviceReasonConnectionRemoved = 38,
  kDeviceReasonUserRequested = 39,
  kDeviceReasonModemNotFound = 43,
  kDeviceReasonBtFailed = 44,
  kDeviceReasonSimNotInserted = 45,
  kDeviceReasonSimPinRequired = 46,
  kDeviceReasonSimPukRequired = 47,
  kDeviceReasonSimWrong = 48,
  kDeviceReasonModemManagerUnavailable = 52,
  kDeviceReasonModemFailed = 57,
  kDeviceReasonSimPinIncorrect = 59,
  kDeviceReasonNewActivation = 60,
};

// Active-connection state reasons (NMActiveConnectionStateReason), which
// a VPN's own reasons (NMVpnConnectionStateReason) share.
enum ActiveReason : uint32_t {
  kActiveReasonUnknown = 0,
  kActiveReasonNone = 1,
  kActiveReasonUserDisconnected = 2,
  kActiveReasonDeviceDisconnected = 3,
  kActiveReasonServiceStopped = 4,
  kActiveReasonIpConfigInvalid = 5,
  kActiveReasonConnectTimeout = 6,
  kActiveReasonServiceStartTimeout = 7,
  kActiveReasonServiceStartFailed = 8,
  kActiveReasonNoSecrets = 9,
  kActiveReasonLoginFailed = 10,
  kActiveReasonConnectionRemoved = 11,
  kActiveReasonDeviceRemoved = 14,
};

// NMSettingsConnectionFlags: a profile in memory only, deleted when it
// deactivates (a dial's copy).
constexpr uint32_t kProfileVolatile = 0x4;

// NMSettingSecretFlags: none means NetworkManager keeps the secret itself.
constexpr uint32_t kSecretSystemOwned = 0x0;
constexpr uint32_t kSecretAgentOwned = 0x1;

// NMSecretAgentCapabilities: the agent takes a VPN plugin's hints, so
// NetworkManager asks it again when the server refuses the password.
constexpr uint32_t kAgentVpnHints = 0x1;

}  // namespace nmras

#endif
