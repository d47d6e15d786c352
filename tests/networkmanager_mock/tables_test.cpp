// The NetworkManager library's tables: failure reasons and D-Bus errors to
// remote-access error codes and the manual page's list of them, device
// states to connection states, and the checks on what may be sent over the
// bus.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <set>
#include <string>

#include "networkmanager_ras/dial/dial_copy.h"
#include "networkmanager_ras/bus/error_map.h"
#include "networkmanager_ras/phone_book/link_kinds.h"
#include "networkmanager_ras/bus/nm_bus.h"
#include "networkmanager_ras/dial/state_map.h"
#include "networkmanager_ras/dial/vpn_watch.h"
#include "remote_access/ras_records.h"

namespace {

using nmras::ReasonErrorCode;
using nmras::ReasonSource;

// The documented remote-access error codes (raserror.h) this library may
// give, and the general codes 5 (access denied) and 6 (invalid handle).
const std::set<uint32_t> kDocumentedCodes = {
    5,    // ERROR_ACCESS_DENIED
    6,    // ERROR_INVALID_HANDLE
    608,  // ERROR_DEVICE_DOES_NOT_EXIST
    623,  // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY
    629,  // ERROR_REMOTE_DISCONNECTION
    631,  // ERROR_USER_DISCONNECTION
    633,  // ERROR_PORT_NOT_AVAILABLE
    635,  // ERROR_UNKNOWN
    638,  // ERROR_REQUEST_TIMEOUT
    651,  // ERROR_FROM_DEVICE
    676,  // ERROR_LINE_BUSY
    678,  // ERROR_NO_ANSWER
    679,  // ERROR_NO_CARRIER
    680,  // ERROR_NO_DIALTONE
    691,  // ERROR_AUTHENTICATION_FAILURE
    692,  // ERROR_PORT_OR_DEVICE
    703,  // ERROR_INTERACTIVE_MODE
    711,  // ERROR_RASMAN_CANNOT_INITIALIZE
    734,  // ERROR_PPP_LCP_TERMINATED
    800,  // ERROR_AUTOMATIC_VPN_FAILED
    807,  // ERROR_VPN_DISCONNECT
    809,    // ERROR_VPN_TIMEOUT
    13801,  // ERROR_IPSEC_IKE_AUTH_FAIL
};

// The whole table: reason number, code. Every other reason is 635
// (unknown), a refused mobile-broadband login included, which reaches
// NetworkManager only as "unknown".
const std::map<uint32_t, uint32_t> kDeviceCodes = {
    {7, 703},  {13, 629}, {14, 734}, {23, 676}, {24, 680}, {25, 679}, {26, 678},
    {27, 651}, {28, 692}, {29, 651}, {30, 633}, {31, 633}, {32, 633}, {33, 633},
    {34, 633}, {35, 692}, {36, 608}, {37, 633}, {38, 623}, {39, 631}, {43, 608},
    {44, 633}, {45, 633}, {46, 703}, {47, 633}, {48, 633}, {52, 608}, {57, 692},
    {59, 633}, {60, 631}};
const std::map<uint32_t, uint32_t> kActiveCodes = {{2, 631},  {6, 638},  {9, 703},
                                                   {10, 691}, {11, 623}, {14, 608}};
// A VPN's: every other reason is 800 (the tunnel could not be set up).
const std::map<uint32_t, uint32_t> kVpnCodes = {{2, 631}, {3, 807},  {4, 807},
                                                {6, 809}, {9, 703},  {10, 691}, {11, 623}};

// Whether the manual page lists the code (its list is printed from these rows).
bool InManualPage(uint32_t code) {
  nmras::ErrorMeaningList list = nmras::ErrorMeanings();
  for (size_t i = 0; i < list.count; ++i) {
    if (list.rows[i].code == code) return list.rows[i].meaning[0] != '\0';
  }
  return false;
}

TEST(ReasonTable, EveryReasonGivesItsCodeListedInTheManualPage) {
  const std::map<ReasonSource, std::pair<const std::map<uint32_t, uint32_t>*, uint32_t>> tables =
      {{ReasonSource::kDevice, {&kDeviceCodes, 635}},
       {ReasonSource::kActiveConnection, {&kActiveCodes, 635}},
       {ReasonSource::kVpn, {&kVpnCodes, 800}}};
  for (uint32_t reason = 0; reason < 100; ++reason) {
    for (const auto& [source, expected] : tables) {
      const auto& table = *expected.first;
      uint32_t code = ReasonErrorCode(source, reason);
      EXPECT_EQ(table.count(reason) ? table.at(reason) : expected.second, code) << reason;
      EXPECT_TRUE(kDocumentedCodes.count(code)) << reason << " gives " << code;
      EXPECT_TRUE(InManualPage(code)) << reason << " gives " << code;
    }
  }
}

TEST(BusErrors, NamesAndMissingAnswers) {
  using nmras::BusErrorCode;
  EXPECT_EQ(711u, BusErrorCode("org.freedesktop.DBus.Error.ServiceUnknown", -EIO, 6));
  EXPECT_EQ(711u, BusErrorCode("org.freedesktop.DBus.Error.NoReply", -EIO, 6));
  EXPECT_EQ(5u, BusErrorCode("org.freedesktop.NetworkManager.PermissionDenied", -EIO, 6));
  EXPECT_EQ(5u, BusErrorCode("org.freedesktop.DBus.Error.AccessDenied", -EIO, 6));
  EXPECT_EQ(608u, BusErrorCode("org.freedesktop.NetworkManager.UnknownDevice", -EIO, 6));
  EXPECT_EQ(633u, BusErrorCode("org.freedesktop.NetworkManager.ConnectionNotAvailable", -EIO, 6));
  EXPECT_EQ(703u, BusErrorCode("org.freedesktop.NetworkManager.AgentManager.NoSecrets", -EIO, 6));
  // Names the table does not know: the caller's code for its context.
  EXPECT_EQ(6u, BusErrorCode("org.freedesktop.NetworkManager.ConnectionNotActive", -EIO, 6));
  EXPECT_EQ(623u, BusErrorCode("org.freedesktop.DBus.Error.UnknownObject", -EIO, 623));
  // No answer at all.
  EXPECT_EQ(711u, BusErrorCode(nullptr, -ECONNRESET, 6));
  EXPECT_EQ(638u, BusErrorCode("", -ETIMEDOUT, 6));
  for (const char* name : {"org.freedesktop.DBus.Error.ServiceUnknown",
                           "org.freedesktop.NetworkManager.Settings.PermissionDenied",
                           "org.freedesktop.DBus.Error.TimedOut", "x.y.Other"}) {
    EXPECT_TRUE(kDocumentedCodes.count(BusErrorCode(name, -EIO, 629))) << name;
  }
  for (int negative_errno : {-ETIMEDOUT, -ECONNRESET}) {
    EXPECT_TRUE(InManualPage(BusErrorCode(nullptr, negative_errno, 6))) << negative_errno;
  }
}

TEST(DeviceStates, RealWalkGivesForwardStatesOnce) {
  // prepare, need-auth, prepare, config, ip-config, ip-check, secondaries, activated
  nmras::ForwardStates states;
  std::vector<uint32_t> seen = states.Advance({RASCS_OpenPort});
  for (uint32_t device : {40u, 60u, 40u, 50u, 70u, 80u, 90u, 100u}) {
    for (uint32_t state : states.Advance(nmras::StatesOfDeviceState(device))) {
      seen.push_back(state);
    }
  }
  for (uint32_t state : states.Advance({RASCS_Connected})) seen.push_back(state);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 14, 8192}), seen);
  EXPECT_EQ(static_cast<uint32_t>(RASCS_Connected), states.Latest());
}

TEST(DeviceStates, StatesNeverGoBack) {
  nmras::ForwardStates states;
  EXPECT_EQ((std::vector<uint32_t>{5}), states.Advance(nmras::StatesOfDeviceState(70)));
  EXPECT_TRUE(states.Advance(nmras::StatesOfDeviceState(40)).empty());
  EXPECT_TRUE(states.Advance(nmras::StatesOfDeviceState(50)).empty());
  EXPECT_EQ((std::vector<uint32_t>{14}), states.Advance(nmras::StatesOfDeviceState(80)));
  EXPECT_TRUE(states.Advance(nmras::StatesOfDeviceState(90)).empty());
}

TEST(VpnStates, WalkReportsAsAModemAndARepeatedAskIsARefusal) {
  // need-auth, connect, ip-config-get, activated: the modem's lines.
  nmras::ForwardStates states;
  nmras::VpnProgress progress;
  std::vector<uint32_t> seen = states.Advance({RASCS_OpenPort});
  for (uint32_t vpn : {2u, 3u, 4u, 5u}) {
    for (uint32_t state : states.Advance(nmras::OnVpnState(progress, vpn))) seen.push_back(state);
  }
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 14}), seen);
  EXPECT_FALSE(progress.refused);
  EXPECT_EQ(703u, nmras::VpnFailureCode(progress, 9));  // no secrets, none refused
  // Asked again after connect: the server refused the password.
  nmras::VpnProgress refused;
  for (uint32_t vpn : {2u, 3u, 2u}) nmras::OnVpnState(refused, vpn);
  EXPECT_EQ(691u, nmras::VpnFailureCode(refused, 9));
  EXPECT_EQ(809u, nmras::VpnFailureCode(refused, 6));
}

TEST(VpnStates, FailureWithNoReasonAfterConnectIsTheKindsRefusal) {
  nmras::VpnProgress ikev2;
  ikev2.refused_code = 13801;
  EXPECT_EQ(800u, nmras::VpnFailureCode(ikev2, 0));  // the plugin never connected
  nmras::OnVpnState(ikev2, 2);
  nmras::OnVpnState(ikev2, 3);
  EXPECT_EQ(13801u, nmras::VpnFailureCode(ikev2, 0));
  EXPECT_TRUE(InManualPage(13801));
  EXPECT_EQ(809u, nmras::VpnFailureCode(ikev2, 6));
  EXPECT_EQ(800u, nmras::VpnFailureCode(ikev2, 8));  // the plugin refused to start
  nmras::VpnProgress followed;  // a followed link first seen past connect
  followed.refused_code = 13801;
  nmras::OnVpnState(followed, 4);
  EXPECT_EQ(13801u, nmras::VpnFailureCode(followed, 0));
  nmras::VpnProgress openvpn;  // no code of its own
  for (uint32_t vpn : {2u, 3u}) nmras::OnVpnState(openvpn, vpn);
  EXPECT_EQ(800u, nmras::VpnFailureCode(openvpn, 0));
}

TEST(LinkKinds, WhichProfilesAreEntries) {
  auto kind = [](const char* type, std::map<std::string, std::string> variants,
                 std::set<std::string> settings, std::map<std::string, std::string> data = {}) {
    return nmras::KindOf(nmras::KindClues{type, variants, settings, data});
  };
  const char* openvpn = "org.freedesktop.NetworkManager.openvpn";
  EXPECT_STREQ("gsm", kind("gsm", {}, {"gsm"})->setting);
  EXPECT_STREQ("PPPoE", kind("pppoe", {}, {"pppoe"})->device_type);
  EXPECT_STREQ("cdma", kind("bluetooth", {{"bluetooth", "dun"}}, {"cdma"})->setting);
  EXPECT_EQ(nullptr, kind("bluetooth", {{"bluetooth", "panu"}}, {"gsm"}));
  EXPECT_EQ(nullptr, kind("bluetooth", {{"bluetooth", "dun"}}, {}));
  for (const char* login : {"password", "password-tls"}) {
    const nmras::LinkKind* vpn =
        kind("vpn", {{"vpn", openvpn}}, {"vpn"}, {{"connection-type", login}});
    ASSERT_NE(nullptr, vpn) << login;
    EXPECT_TRUE(vpn->in_data && vpn->rides_on_base);
    EXPECT_STREQ("remote", vpn->number_key);
  }
  EXPECT_EQ(nullptr, kind("vpn", {{"vpn", openvpn}}, {"vpn"}, {{"connection-type", "tls"}}));
  EXPECT_EQ(nullptr, kind("vpn", {{"vpn", "org.freedesktop.NetworkManager.vpnc"}}, {"vpn"},
                          {{"connection-type", "password"}}));
  // strongSwan: EAP only, told by its "method"; another plugin's key says nothing.
  const char* strongswan = "org.freedesktop.NetworkManager.strongswan";
  const nmras::LinkKind* ikev2 = kind("vpn", {{"vpn", strongswan}}, {"vpn"}, {{"method", "eap"}});
  ASSERT_NE(nullptr, ikev2);
  EXPECT_STREQ("address", ikev2->number_key);
  EXPECT_STREQ("user", ikev2->user_key);
  for (const char* method : {"psk", "cert", "eap-tls", "key", "agent", "smartcard"}) {
    EXPECT_EQ(nullptr, kind("vpn", {{"vpn", strongswan}}, {"vpn"}, {{"method", method}})) << method;
  }
  EXPECT_EQ(nullptr, kind("vpn", {{"vpn", strongswan}}, {"vpn"}, {{"connection-type", "eap"}}));
  EXPECT_EQ(nullptr, kind("vpn", {{"vpn", openvpn}}, {"vpn"}, {{"method", "password"}}));
  for (const char* type : {"802-3-ethernet", "802-11-wireless", "wireguard"}) {
    bool ask = true;
    EXPECT_EQ(nullptr, nmras::KindOfType(type, ask)) << type;
    EXPECT_FALSE(ask) << type;
  }
}

TEST(Handles, NumberOfTheActiveConnectionPath) {
  using nmras::HandleOfActivePath;
  EXPECT_EQ(1u, HandleOfActivePath("/org/freedesktop/NetworkManager/ActiveConnection/1"));
  EXPECT_EQ(4711u, HandleOfActivePath("/org/freedesktop/NetworkManager/ActiveConnection/4711"));
  EXPECT_EQ(0u, HandleOfActivePath("/org/freedesktop/NetworkManager/ActiveConnection/0"));
  EXPECT_EQ(0u, HandleOfActivePath("/org/freedesktop/NetworkManager/ActiveConnection/"));
  EXPECT_EQ(0u, HandleOfActivePath("/org/freedesktop/NetworkManager/ActiveConnection/1x"));
  EXPECT_EQ(0u, HandleOfActivePath("/org/freedesktop/NetworkManager/Devices/3"));
  EXPECT_EQ(0u, HandleOfActivePath("/org/freedesktop/NetworkManager/ActiveConnection/2147483648"));
  EXPECT_EQ(0u, HandleOfActivePath(nullptr));
  EXPECT_EQ("/org/freedesktop/NetworkManager/ActiveConnection/12", nmras::ActivePathOfHandle(12));
}

TEST(Utf8, OnlyValidTextGoesOnTheBus) {
  EXPECT_TRUE(nmras::IsUtf8(""));
  EXPECT_TRUE(nmras::IsUtf8("joe 5550100"));
  EXPECT_TRUE(nmras::IsUtf8("J\xc3\xbcrgen \xe2\x82\xac \xf0\x9f\x93\x9e"));
  EXPECT_FALSE(nmras::IsUtf8("J\xfcrgen"));         // a code-page byte
  EXPECT_FALSE(nmras::IsUtf8("\xc3"));              // cut short
  EXPECT_FALSE(nmras::IsUtf8("\xc0\xaf"));          // overlong
  EXPECT_FALSE(nmras::IsUtf8("\xed\xa0\x80"));      // a surrogate
  EXPECT_FALSE(nmras::IsUtf8("\xf4\x90\x80\x80"));  // past U+10FFFF
}

}  // namespace
