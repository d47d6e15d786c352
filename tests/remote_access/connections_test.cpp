// Listing and hanging up connections against the recording stub.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "remote_access/binding.h"
#include "remote_access/connections.h"
#include "remote_access/nelvoras.h"
#include "tests/remote_access/stub_fixture.h"

namespace {

// "hangup H" followed by `polls` status queries of H.
std::string HangUpLog(const char* handle, int polls) {
  std::string log = std::string("hangup ") + handle + "\n";
  for (int i = 0; i < polls; ++i) log += std::string("status ") + handle + "\n";
  return log;
}

}  // namespace

using StubConnections = StubTest;
using StubConnectionsSlow = StubTest;

TEST_F(StubConnections, PositionsGiveNamesAndHandlesInOrder) {
  RasInitDLL();
  EXPECT_EQ(rsActiveConnections(), 0);
  EXPECT_EQ(TakeOrNull(rsGetConnectionName(1)), "<null>");
  EXPECT_EQ(rsGetConnectionHandle(1), 0);

  SetStubSetting("RASSTUB_CONNECTIONS", " Office |Home");
  EXPECT_EQ(rsActiveConnections(), 2);
  std::string seen;
  for (int32_t index : {INT32_MIN, -1, 0, 1, 2, 3}) {
    seen += std::to_string(index) + ":" + TakeOrNull(rsGetConnectionName(index)) + "," +
            std::to_string(rsGetConnectionHandle(index)) + " ";
  }
  EXPECT_EQ(seen,
            "-2147483648:<null>,0 -1:<null>,0 0:<null>,0 1:Office,1001 2:Home,1002 3:<null>,0 ");
}

TEST_F(StubConnections, OneRequestIntoAHundredRecords) {
  RasInitDLL();
  SetStubSetting("RASSTUB_CONNECTIONS", NumberedNames("C", 100));
  EXPECT_EQ(rsActiveConnections(), 100);
  SetStubSetting("RASSTUB_CONNECTIONS", NumberedNames("C", 101));
  EXPECT_EQ(rsActiveConnections(), 0);
  EXPECT_EQ(rsGetConnectionHandle(1), 0);
  EXPECT_EQ(StubLog(),
            "load\nenum-connections 41200\nenum-connections 41200\n"
            "enum-connections 41200\n");
}

TEST_F(StubConnections, ExistingListIsUsedAndCountIsCutToIt) {
  RasInitDLL();
  SetStubSetting("RASSTUB_CONNECTIONS", "A|B");
  ConnectionList connections(3);
  connections[2].hrasconn = 77;
  EXPECT_EQ(LoadActiveConnections(connections), 2);
  EXPECT_EQ(connections.size(), 3u);
  EXPECT_EQ(connections[1].hrasconn, 1002u);
  EXPECT_EQ(connections[2].hrasconn, 77u);  // not cleared

  SetStubSetting("RASSTUB_ENUM_SCRIPT", "-;0,150");
  ConnectionList fresh;
  EXPECT_EQ(LoadActiveConnections(fresh), 100);
  EXPECT_EQ(fresh.size(), 100u);
  EXPECT_EQ(StubLog(), "load\nenum-connections 1236\nenum-connections 41200\n");
}

TEST_F(StubConnections, HangUpReturnsOnceTheServiceForgetsTheHandle) {
  RasInitDLL();
  SetStubSetting("RASSTUB_CONNECTIONS", "A|B");
  SetStubSetting("RASSTUB_LIVE_POLLS", "3");
  EXPECT_EQ(rsHangUpConnection(1002), 0);
  EXPECT_EQ(StubLog(), "load\n" + HangUpLog("1002", 4));
}

TEST_F(StubConnections, HangUpOfUnknownHandlesGivesTheServiceCode) {
  SetStubSetting("RASSTUB_CONNECTIONS", "A");
  EXPECT_EQ(rsHangUpConnection(0), RAS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(rsHangUpConnection(1002), RAS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(StubLog(),
            "load\nhangup 0\nfree\nload\nstatus 0\nfree\n"
            "load\nhangup 1002\nfree\nload\nstatus 1002\nfree\n");
}

// A connection the service never lets go: the wait gives up after its bound.
TEST_F(StubConnectionsSlow, HangUpWaitIsBounded) {
  RasInitDLL();
  SetStubSetting("RASSTUB_CONNECTIONS", "A");
  SetStubSetting("RASSTUB_LIVE_POLLS", "forever");
  EXPECT_EQ(HangUpAndWait(1001), RAS_ERROR_REQUEST_TIMEOUT);
  EXPECT_EQ(StubLog(), "load\n" + HangUpLog("1001", 2000));
}
