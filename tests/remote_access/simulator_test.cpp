// The remote-access layer against the simulated service, loaded through
// the real loader from beside the test program. Each test gets an empty
// state folder; phone books and connection tables are written in the
// simulator's own file formats.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "remote_access/binding.h"
#include "remote_access/nelvoras.h"
#include "tests/remote_access/stub_fixture.h"

namespace {

class SimulatorLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::current_path() / "simstate";
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    SetStubSetting("RASSIM_DIR", folder_.string());
  }
  void TearDown() override { RasUnloadDLL(); }

  void WriteState(const char* file, const std::string& text) {
    std::ofstream(folder_ / file, std::ios::binary) << text;
  }

  // Sections "[name]" for each name, with the given keys under each.
  void WritePhoneBook(std::initializer_list<std::string> names, const std::string& keys = "") {
    std::string text;
    for (const std::string& name : names) {
      text.append("[").append(name).append("]\n").append(keys);
    }
    WriteState("phonebook.ini", text);
  }

  // Dials an entry synchronously with its stored values; its handle.
  HRASCONN DialNow(const char* name) {
    RASDIALEXTENSIONS extensions = {};
    extensions.dwSize = sizeof(extensions);
    RASDIALPARAMS params = {};
    params.dwSize = sizeof(params);
    (void)snprintf(params.szEntryName, sizeof(params.szEntryName), "%s", name);
    HRASCONN handle = 0;
    EXPECT_EQ(CallRasDial(&extensions, nullptr, &params, 0, nullptr, &handle), 0) << name;
    return handle;
  }

  std::filesystem::path folder_;
};

}  // namespace

TEST_F(SimulatorLayer, PhoneBookSizes) {
  EXPECT_EQ(rsAvailableEntries(), 0);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "<null>");
  WritePhoneBook({"Only"});
  EXPECT_EQ(rsAvailableEntries(), 1);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "Only");
  WritePhoneBook({"  First ", "Second"});
  EXPECT_EQ(rsAvailableEntries(), 2);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "First");
  EXPECT_EQ(TakeOrNull(rsGetEntryName(2)), "Second");
  for (int32_t outside : {INT32_MIN, -1, 0, 3}) {
    EXPECT_EQ(TakeOrNull(rsGetEntryName(outside)), "<null>") << outside;
  }

  std::string text;
  for (int i = 1; i <= 200; ++i) text += "[Entry " + std::to_string(i) + "]\n";
  WriteState("phonebook.ini", text);
  EXPECT_EQ(rsAvailableEntries(), 200);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "Entry 1");
  EXPECT_EQ(TakeOrNull(rsGetEntryName(200)), "Entry 200");
  EXPECT_EQ(TakeOrNull(rsGetEntryName(201)), "<null>");
}

TEST_F(SimulatorLayer, EntryAddedBetweenTheTwoRequestsReadsAsEmpty) {
  WritePhoneBook({"A", "B"});
  WriteState("faults.ini", "add-entry-between-requests=1\n");
  EXPECT_EQ(rsAvailableEntries(), 0);
  EXPECT_EQ(rsAvailableEntries(), 3);  // the fault strikes once
}

TEST_F(SimulatorLayer, ServiceErrorsPassThroughAndReadAsEmpty) {
  WritePhoneBook({"A"});
  WriteState("faults.ini", "enum-entries-error=87\nenum-connections-error=632\n");
  RASCONN connection = {};
  connection.dwSize = sizeof(connection);
  uint32_t size = sizeof(connection), count = 0;
  EXPECT_EQ(CallRasEnumConnections(&connection, &size, &count), 632);
  EXPECT_EQ(rsAvailableEntries(), 0);
  EXPECT_EQ(rsActiveConnections(), 0);
}

TEST_F(SimulatorLayer, ConnectionsInTheServiceOrder) {
  EXPECT_EQ(rsActiveConnections(), 0);
  EXPECT_EQ(TakeOrNull(rsGetConnectionName(1)), "<null>");
  EXPECT_EQ(rsGetConnectionHandle(1), 0);

  WritePhoneBook({"Office", " Home "}, "States=8192\nStepMs=0\n");
  HRASCONN office = DialNow("Office");
  HRASCONN home = DialNow(" Home ");
  EXPECT_EQ(rsActiveConnections(), 2);
  EXPECT_EQ(TakeOrNull(rsGetConnectionName(1)), "Office");
  EXPECT_EQ(TakeOrNull(rsGetConnectionName(2)), "Home");
  EXPECT_EQ(TakeOrNull(rsGetConnectionName(3)), "<null>");
  EXPECT_EQ(rsGetConnectionHandle(1), static_cast<int32_t>(office));
  EXPECT_EQ(rsGetConnectionHandle(2), static_cast<int32_t>(home));
  EXPECT_EQ(rsGetConnectionHandle(3), 0);
  EXPECT_EQ(rsGetConnectionHandle(0), 0);
  EXPECT_EQ(rsGetConnectionHandle(-1), 0);
}

TEST_F(SimulatorLayer, MoreThanAHundredConnectionsCountAsNone) {
  std::string table = "next 200\n";
  for (int handle = 1; handle <= 100; ++handle) {
    table += std::to_string(handle) + " 1 8192 0 0 0 C" + std::to_string(handle) + "\n";
  }
  WriteState("connections.txt", table);
  EXPECT_EQ(rsActiveConnections(), 100);
  EXPECT_EQ(rsGetConnectionHandle(100), 100);
  WriteState("connections.txt", table + "101 1 8192 0 0 0 C101\n");
  EXPECT_EQ(rsActiveConnections(), 0);
  EXPECT_EQ(rsGetConnectionHandle(1), 0);
}

TEST_F(SimulatorLayer, HangUpReturnsOnlyOnceTheServiceForgotTheHandle) {
  WritePhoneBook({"Slow"}, "States=8192\nStepMs=0\nHangUpMs=300\n");
  HRASCONN handle = DialNow("Slow");
  ASSERT_NE(handle, 0u);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(rsHangUpConnection(static_cast<int32_t>(handle)), 0);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  RASCONNSTATUS status = {};
  status.dwSize = sizeof(status);
  EXPECT_EQ(CallRasGetConnectStatus(handle, &status), RAS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(rsActiveConnections(), 0);
}

TEST_F(SimulatorLayer, HangUpOfNoOrStaleHandleGivesTheServiceCode) {
  WritePhoneBook({"Quick"}, "States=8192\nStepMs=0\n");
  HRASCONN handle = DialNow("Quick");
  EXPECT_EQ(rsHangUpConnection(static_cast<int32_t>(handle)), 0);
  for (int32_t stale : {static_cast<int32_t>(handle), 0}) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rsHangUpConnection(stale), RAS_ERROR_INVALID_HANDLE) << stale;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << stale;
  }
}
