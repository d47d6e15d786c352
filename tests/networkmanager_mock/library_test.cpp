// The NetworkManager remote-access library, loaded as the dialer loads it,
// against the NetworkManager stand-in on a private bus.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "remote_access/ras_functions.h"
#include "tests/networkmanager_mock/mock_network_manager.h"

namespace {

using nmtest::Options;

constexpr uint32_t kAccessDenied = 5, kNotRunning = 711;

struct Library {
  void* module = nullptr;
  RasEnumEntriesAFunc enum_entries;
  RasGetEntryDialParamsAFunc dial_params;
  RasDialAFunc dial;
  RasGetConnectStatusAFunc status;
  RasEnumConnectionsAFunc enum_connections;
  RasHangUpAFunc hang_up;
};

Library lib;

template <typename T>
T Resolve(const char* name) {
  return reinterpret_cast<T>(dlsym(lib.module, name));
}

class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    lib.module = dlopen(NMTEST_LIBRARY, RTLD_NOW);
    ASSERT_NE(nullptr, lib.module) << dlerror();
    lib.enum_entries = Resolve<RasEnumEntriesAFunc>("RasEnumEntriesA");
    lib.dial_params = Resolve<RasGetEntryDialParamsAFunc>("RasGetEntryDialParamsA");
    lib.dial = Resolve<RasDialAFunc>("RasDialA");
    lib.status = Resolve<RasGetConnectStatusAFunc>("RasGetConnectStatusA");
    lib.enum_connections = Resolve<RasEnumConnectionsAFunc>("RasEnumConnectionsA");
    lib.hang_up = Resolve<RasHangUpAFunc>("RasHangUpA");
    nmtest::StartMockBus();
  }
  void TearDown() override { nmtest::StopMockBus(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

// What the notifier saw, and on which thread.
struct Notes {
  std::mutex lock;
  std::vector<uint32_t> states;
  std::vector<uint32_t> errors;
  std::thread::id thread;
};
Notes notes;

void RAS_CALL Notify(uint32_t, uint32_t state, uint32_t error) {
  std::lock_guard<std::mutex> hold(notes.lock);
  notes.states.push_back(state);
  notes.errors.push_back(error);
  notes.thread = std::this_thread::get_id();
}

class NetworkManagerLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    nmtest::ResetWorld();
    std::lock_guard<std::mutex> hold(notes.lock);
    notes.states.clear();
    notes.errors.clear();
  }

  std::vector<std::string> EntryNames() {
    RASENTRYNAME entries[8] = {};
    entries[0].dwSize = sizeof(RASENTRYNAME);
    uint32_t size = sizeof entries, count = 0;
    EXPECT_EQ(0u, lib.enum_entries(nullptr, nullptr, entries, &size, &count));
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) names.push_back(entries[i].szEntryName);
    return names;
  }

  static RASDIALPARAMS Params(const char* entry, const char* user = "joe",
                              const char* password = "secret", const char* phone = "555") {
    RASDIALPARAMS params = {};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, entry);
    std::strcpy(params.szUserName, user);
    std::strcpy(params.szPassword, password);
    std::strcpy(params.szPhoneNumber, phone);
    return params;
  }

  static uint32_t Status(HRASCONN handle, RASCONNSTATUS& status) {
    status = {};
    status.dwSize = sizeof status;
    return lib.status(handle, &status);
  }

  // Waits, boundedly, until the status query of handle gives result.
  static bool StatusBecomes(HRASCONN handle, uint32_t result, uint32_t state = 0xFFFFFFFF) {
    RASCONNSTATUS status;
    for (int i = 0; i < 500; ++i) {
      uint32_t got = Status(handle, status);
      if (got == result && (state == 0xFFFFFFFF || status.rasconnstate == state)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  static std::vector<RASCONN> Connections(uint32_t* result = nullptr) {
    std::vector<RASCONN> connections(100);
    connections[0].dwSize = sizeof(RASCONN);
    uint32_t size = 100 * sizeof(RASCONN), count = 0;
    uint32_t got = lib.enum_connections(connections.data(), &size, &count);
    if (result != nullptr) *result = got;
    connections.resize(got == 0 ? count : 0);
    return connections;
  }

  // Dials the entry with the default values: with a notifier the call
  // returns at once, without one when the dial has ended.
  uint32_t Dial(const char* entry, HRASCONN* handle, bool notify = true) {
    RASDIALPARAMS params = Params(entry);
    *handle = 0;
    return lib.dial(nullptr, nullptr, &params, 0,
                    notify ? reinterpret_cast<void*>(Notify) : nullptr, handle);
  }

  // Dials with a notifier and waits for the dial's end.
  HRASCONN DialAndWait(const char* entry, uint32_t expected_result, uint32_t expected_state) {
    HRASCONN handle = 0;
    EXPECT_EQ(0u, Dial(entry, &handle));
    EXPECT_NE(0u, handle);
    EXPECT_TRUE(StatusBecomes(handle, expected_result, expected_state)) << entry;
    return handle;
  }
};

TEST_F(NetworkManagerLibrary, PhoneBookListsTheDialUpProfilesInOrder) {
  nmtest::AddProfile("Mobile", "gsm", {});
  nmtest::AddProfile("Office LAN", "802-3-ethernet", {});
  nmtest::AddProfile("Old CDMA", "cdma", {});
  nmtest::AddProfile("Phone DUN", "bluetooth", {{"bluetooth_type", "dun"}});
  nmtest::AddProfile("Phone PAN", "bluetooth", {{"bluetooth_type", "panu"}});
  nmtest::AddProfile("DSL", "pppoe", {});
  EXPECT_EQ((std::vector<std::string>{"Mobile", "Old CDMA", "Phone DUN", "DSL"}), EntryNames());
}

TEST_F(NetworkManagerLibrary, PhoneBookFollowsTheBufferRules) {
  nmtest::AddProfile("One", "gsm", {});
  nmtest::AddProfile("Two", "gsm", {});
  RASENTRYNAME entry = {};
  entry.dwSize = sizeof entry;
  uint32_t size = sizeof entry, count = 0;
  EXPECT_EQ(603u, lib.enum_entries(nullptr, nullptr, &entry, &size, &count));
  EXPECT_EQ(2u, count);
  EXPECT_EQ(2 * sizeof(RASENTRYNAME), size);
  EXPECT_STREQ("One", entry.szEntryName);
  EXPECT_EQ(603u, lib.enum_entries(nullptr, nullptr, nullptr, &size, &count));
  entry.dwSize = 100;
  EXPECT_EQ(632u, lib.enum_entries(nullptr, nullptr, &entry, &size, &count));
  EXPECT_EQ(87u, lib.enum_entries(nullptr, nullptr, &entry, nullptr, &count));
}

TEST_F(NetworkManagerLibrary, DialParamsGiveNumberUserAndNeverThePassword) {
  nmtest::AddProfile("Mobile", "gsm",
                     {{"number", "*99#"}, {"username", "web"}, {"password", "stored"},
                      {"password_flags", "0"}});
  nmtest::AddProfile("Asked", "gsm", {{"password", "stored"}});  // agent-owned
  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, "Mobile");
  std::strcpy(params.szDomain, "old");
  int32_t stored = -1;
  ASSERT_EQ(0u, lib.dial_params(nullptr, &params, &stored));
  EXPECT_STREQ("*99#", params.szPhoneNumber);
  EXPECT_STREQ("web", params.szUserName);
  EXPECT_STREQ("", params.szPassword);
  EXPECT_STREQ("", params.szDomain);
  EXPECT_EQ(1, stored);  // NetworkManager keeps it
  std::strcpy(params.szEntryName, "Asked");
  ASSERT_EQ(0u, lib.dial_params(nullptr, &params, &stored));
  EXPECT_EQ(0, stored);
}

TEST_F(NetworkManagerLibrary, DialParamsOfUnknownOrBadNames) {
  nmtest::AddProfile("Mobile", "gsm", {});
  RASDIALPARAMS params = Params("Mobil");
  int32_t stored = 0;
  EXPECT_EQ(623u, lib.dial_params(nullptr, &params, &stored));
  params = Params("Mob\xff\xfeile");  // not UTF-8: never sent, matches nothing
  EXPECT_EQ(623u, lib.dial_params(nullptr, &params, &stored));
  HRASCONN handle = 0;
  EXPECT_EQ(623u, lib.dial(nullptr, nullptr, &params, 0, nullptr, &handle));
  EXPECT_EQ(0u, lib.hang_up(handle));
  params.dwSize = 1000;
  EXPECT_EQ(632u, lib.dial_params(nullptr, &params, &stored));
}

TEST_F(NetworkManagerLibrary, DialReportsForwardStatesFromItsOwnThreadAndStaysUp) {
  nmtest::AddProfile("Mobile", "gsm", {{"number", "*99#"}});
  HRASCONN handle = DialAndWait("Mobile", 0, RASCS_Connected);
  {
    std::lock_guard<std::mutex> hold(notes.lock);
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 14, 8192}), notes.states);
    EXPECT_NE(std::this_thread::get_id(), notes.thread);
  }
  // Handle N of .../ActiveConnection/N; the volatile copy is not listed twice.
  std::vector<RASCONN> connections = Connections();
  ASSERT_EQ(1u, connections.size());
  EXPECT_EQ(handle, connections[0].hrasconn);
  EXPECT_STREQ("Mobile", connections[0].szEntryName);
  EXPECT_EQ((std::vector<std::string>{"Mobile"}), EntryNames());

  // The hang-up deactivates and rewrites no profile (no Update2).
  EXPECT_EQ(0u, lib.hang_up(handle));
  EXPECT_TRUE(nmtest::Blocked().empty());
  EXPECT_TRUE(StatusBecomes(handle, 6));
  EXPECT_TRUE(Connections().empty());
}

// A failure the device signalled for another client's activation just
// before the dial's own began is not the dial's: it connects, every state
// reported.
TEST_F(NetworkManagerLibrary, DeviceFailureBeforeTheDialsActivationIsNotItsOwn) {
  nmtest::AddProfile("Mobile", "gsm", {{"outcome", "after-failure"}});
  HRASCONN handle = DialAndWait("Mobile", 0, RASCS_Connected);
  {
    std::lock_guard<std::mutex> hold(notes.lock);
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 14, 8192}), notes.states);
  }
  EXPECT_EQ(0u, lib.hang_up(handle));
}

TEST_F(NetworkManagerLibrary, DialActivatesAVolatileCopyWithTheCallersValues) {
  nmtest::AddProfile("Mobile", "gsm", {{"number", "*99#"}, {"username", "web"}});
  RASDIALPARAMS params = Params("Mobile", "joe", "s3cret", "5550100");
  HRASCONN handle = 0;
  ASSERT_EQ(0u, lib.dial(nullptr, nullptr, &params, 0, nullptr, &handle));  // synchronous
  nmtest::Settings copy;
  Options options;
  nmtest::LastActivation(copy, options);
  EXPECT_EQ("Mobile", copy["connection"]["id"]);
  EXPECT_EQ("false", copy["connection"]["autoconnect"]);
  EXPECT_NE("", copy["connection"]["uuid"]);
  EXPECT_NE("00000001-0000-4000-8000-000000000000", copy["connection"]["uuid"]);
  EXPECT_EQ("joe", copy["gsm"]["username"]);
  // The secrets are agent-owned and not in the copy: the dial's agent gives them.
  EXPECT_EQ(0u, copy["gsm"].count("password"));
  EXPECT_EQ("1", copy["gsm"]["password-flags"]);
  EXPECT_EQ("1", copy["gsm"]["pin-flags"]);
  EXPECT_EQ("5550100", copy["gsm"]["number"]);
  EXPECT_EQ("internet", copy["gsm"]["apn"]);  // the rest as stored
  EXPECT_EQ((Options{{"persist", "volatile"}, {"bind-activation", "none"}}), options);
  EXPECT_EQ(0u, lib.hang_up(handle));
}

TEST_F(NetworkManagerLibrary, PppoeCopyCarriesNoNumber) {
  nmtest::AddProfile("DSL", "pppoe", {{"username", "dsl"}});
  HRASCONN handle = 0;
  ASSERT_EQ(0u, Dial("DSL", &handle, false));
  nmtest::Settings copy;
  Options options;
  nmtest::LastActivation(copy, options);
  EXPECT_EQ("joe", copy["pppoe"]["username"]);
  EXPECT_EQ(0u, copy["pppoe"].count("number"));
  EXPECT_EQ(0u, lib.hang_up(handle));
}

// Each failure the stand-in gives, as a real daemon reports it.
TEST_F(NetworkManagerLibrary, FailedDialsAnswerTheirErrorUntilHungUp) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"busy", 676},    {"no-answer", 678},   {"no-carrier", 679}, {"no-dial-tone", 680},
      {"refused", 635}, {"refused-ppp", 734}, {"no-secrets", 703}};
  for (const auto& [outcome, code] : cases) {
    nmtest::AddProfile(outcome, "gsm", {{"outcome", outcome}});
    HRASCONN handle = DialAndWait(outcome, code, RASCS_Disconnected);
    RASCONNSTATUS status;
    EXPECT_EQ(code, Status(handle, status)) << outcome;
    EXPECT_EQ(code, status.dwError) << outcome;
    EXPECT_EQ(0u, lib.hang_up(handle)) << outcome;
    EXPECT_EQ(6u, Status(handle, status)) << outcome;
    std::lock_guard<std::mutex> hold(notes.lock);
    ASSERT_FALSE(notes.states.empty());
    EXPECT_EQ(static_cast<uint32_t>(RASCS_Disconnected), notes.states.back()) << outcome;
    EXPECT_EQ(code, notes.errors.back()) << outcome;
  }
}

// A modem that fails at once: every signal is out before the activation's
// reply, and the deactivated connection no longer names its device. The
// dial still reports its states and the device's reason.
TEST_F(NetworkManagerLibrary, FailureBeforeTheActivationsReplyKeepsItsReason) {
  nmtest::AddProfile("Fast", "gsm", {{"outcome", "no-answer"}, {"step_ms", "0"}});
  HRASCONN handle = DialAndWait("Fast", 678, RASCS_Disconnected);
  EXPECT_EQ(0u, lib.hang_up(handle));
  std::lock_guard<std::mutex> hold(notes.lock);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4, 8193}), notes.states);
}

// A dial ends no link: the entry's own link is taken as it is, and with no
// free device that offers the profile the dial fails with 633.
TEST_F(NetworkManagerLibrary, DialTakesNoLinkDown) {
  nmtest::AddProfile("Mobile", "gsm", {});
  nmtest::AddProfile("Other", "gsm", {});  // on the same modem
  nmtest::AddProfile("Nowhere", "gsm", {{"unlisted", "yes"}});
  HRASCONN handle = DialAndWait("Mobile", 0, RASCS_Connected);
  HRASCONN again = 0;
  EXPECT_EQ(0u, Dial("Mobile", &again, false));
  EXPECT_EQ(handle, again);
  for (const char* entry : {"Other", "Nowhere"}) {
    HRASCONN failed = 0;
    EXPECT_EQ(633u, Dial(entry, &failed, false)) << entry;
    EXPECT_EQ(0u, lib.hang_up(failed));
  }
  RASCONNSTATUS status;
  EXPECT_EQ(0u, Status(handle, status));
  EXPECT_EQ(static_cast<uint32_t>(RASCS_Connected), status.rasconnstate);
  EXPECT_EQ(1u, Connections().size());
  EXPECT_EQ(0u, lib.hang_up(handle));
}

TEST_F(NetworkManagerLibrary, SynchronousDialReturnsItsOutcome) {
  nmtest::AddProfile("Busy", "gsm", {{"outcome", "busy"}});
  HRASCONN handle = 0;
  EXPECT_EQ(676u, Dial("Busy", &handle, false));
  RASCONNSTATUS status;
  EXPECT_EQ(676u, Status(handle, status));
  EXPECT_EQ(0u, lib.hang_up(handle));
}

TEST_F(NetworkManagerLibrary, HangUpDuringADialStopsItsNotifications) {
  nmtest::AddProfile("Stalls", "gsm", {{"outcome", "never"}});
  HRASCONN handle = DialAndWait("Stalls", 0, RASCS_Authenticate);
  EXPECT_EQ(0u, lib.hang_up(handle));
  size_t seen;
  {
    std::lock_guard<std::mutex> hold(notes.lock);
    seen = notes.states.size();
  }
  EXPECT_TRUE(StatusBecomes(handle, 6));
  EXPECT_TRUE(Connections().empty());
  EXPECT_EQ((std::vector<std::string>{"Stalls"}), EntryNames());  // the copy went with the link
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::lock_guard<std::mutex> hold(notes.lock);
  EXPECT_EQ(seen, notes.states.size());
}

TEST_F(NetworkManagerLibrary, RefusedPermissionIsFive) {
  nmtest::AddProfile("Mobile", "gsm", {});
  nmtest::SetDenied("activate", true);
  HRASCONN handle = 0;
  EXPECT_EQ(kAccessDenied, Dial("Mobile", &handle));
  ASSERT_NE(0u, handle);
  RASCONNSTATUS status;
  EXPECT_EQ(kAccessDenied, Status(handle, status));
  EXPECT_EQ(kAccessDenied, Status(handle, status));
  EXPECT_EQ(0u, lib.hang_up(handle));
  EXPECT_EQ(6u, Status(handle, status));
}

TEST_F(NetworkManagerLibrary, ProfileDeletedBetweenListingAndDial) {
  std::string path = nmtest::AddProfile("Mobile", "gsm", {});
  ASSERT_EQ((std::vector<std::string>{"Mobile"}), EntryNames());
  nmtest::DeleteProfile(path);
  HRASCONN handle = 0;
  EXPECT_EQ(623u, Dial("Mobile", &handle));
  RASCONNSTATUS status;
  EXPECT_EQ(623u, Status(handle, status));
  EXPECT_EQ(0u, lib.hang_up(handle));
}

TEST_F(NetworkManagerLibrary, MoreThanAHundredConnectionsIsBufferTooSmall) {
  nmtest::AddActiveConnections(101, "Mobile", "gsm");
  uint32_t result = 0;
  EXPECT_TRUE(Connections(&result).empty());
  EXPECT_EQ(603u, result);
  RASCONN one = {};
  one.dwSize = sizeof one;
  uint32_t size = sizeof one, count = 0;
  EXPECT_EQ(603u, lib.enum_connections(&one, &size, &count));
  EXPECT_EQ(101u, count);
  EXPECT_EQ(101 * sizeof(RASCONN), size);
}

TEST_F(NetworkManagerLibrary, UnknownHandlesAndBadRecords) {
  RASCONNSTATUS status;
  EXPECT_EQ(6u, Status(0, status));
  EXPECT_EQ(6u, Status(4242, status));
  EXPECT_EQ(6u, Status(0x80001234u, status));
  EXPECT_EQ(6u, lib.hang_up(0));
  EXPECT_EQ(6u, lib.hang_up(4242));
  status.dwSize = 12;
  EXPECT_EQ(632u, lib.status(1, &status));
  RASDIALPARAMS params = Params("Mobile");
  HRASCONN handle = 7;  // a set handle would be a dial to resume
  EXPECT_EQ(87u, lib.dial(nullptr, nullptr, &params, 0, nullptr, &handle));
  handle = 0;
  EXPECT_EQ(87u, lib.dial(nullptr, nullptr, &params, 1, reinterpret_cast<void*>(Notify), &handle));
}

TEST_F(NetworkManagerLibrary, NetworkManagerNotRunningOrNoBus) {
  nmtest::StopNetworkManager();
  RASENTRYNAME entry = {};
  entry.dwSize = sizeof entry;
  uint32_t size = sizeof entry, count = 0;
  EXPECT_EQ(kNotRunning, lib.enum_entries(nullptr, nullptr, &entry, &size, &count));
  uint32_t result = 0;
  Connections(&result);
  EXPECT_EQ(kNotRunning, result);
  RASDIALPARAMS params = Params("Mobile");
  int32_t stored = 0;
  EXPECT_EQ(kNotRunning, lib.dial_params(nullptr, &params, &stored));
  HRASCONN handle = 0;
  EXPECT_EQ(kNotRunning, lib.dial(nullptr, nullptr, &params, 0, nullptr, &handle));
  RASCONNSTATUS status;
  EXPECT_EQ(kNotRunning, Status(handle, status));
  EXPECT_EQ(0u, lib.hang_up(handle));
  EXPECT_EQ(kNotRunning, Status(12, status));
  EXPECT_EQ(kNotRunning, lib.hang_up(12));

  std::string address = getenv("DBUS_SYSTEM_BUS_ADDRESS");
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/nelvo-test-bus", 1);
  EXPECT_EQ(kNotRunning, lib.enum_entries(nullptr, nullptr, &entry, &size, &count));
  EXPECT_EQ(kNotRunning, Status(12, status));
  setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
  nmtest::StartNetworkManager();
}

TEST_F(NetworkManagerLibrary, NetworkManagerStoppingMidDialFailsTheDial) {
  nmtest::AddProfile("Stalls", "gsm", {{"outcome", "never"}});
  HRASCONN handle = DialAndWait("Stalls", 0, RASCS_Authenticate);
  nmtest::QuitNetworkManager(0);
  EXPECT_TRUE(StatusBecomes(handle, kNotRunning));
  EXPECT_EQ(0u, lib.hang_up(handle));
  nmtest::StopNetworkManager();  // collects the ended process
  nmtest::StartNetworkManager();
}

}  // namespace
