// RASDIALCALLBACK: one report line for a state with a text, one IPC status
// for every state.
#include <string>

#include "platform/platform.h"
#include "remote_access/dial_notifier.h"
#include "remote_access/nelvoras.h"
#include "status/ipc_status.h"
#include "tests/remote_access_dial/dial_support.h"

namespace {

class NotifierTest : public DialTest {
 protected:
  void SetUp() override {
    DialTest::SetUp();
    OpenNotificationGate();
  }
};

TEST_F(NotifierTest, StateWithATextWritesALineAndTheStatus) {
  RASDIALCALLBACK(0xCCCD, RASCS_ConnectDevice, 0);
  EXPECT_EQ(IpcText(), "Dialing" + std::string(57, ' '));
  EXPECT_EQ(ReportText(), "Dialing\r\n");
}

TEST_F(NotifierTest, StateWithoutATextShowsItsNumberInTheStatusOnly) {
  RASDIALCALLBACK(1, RASCS_AuthNotify, 5);
  EXPECT_EQ(IpcText(), " 6" + std::string(62, ' '));
  EXPECT_EQ(ReportText(), "");
}

TEST_F(NotifierTest, MessageAndErrorCodeChangeNothing) {
  RASDIALCALLBACK(0, RASCS_Connected, 0);
  RASDIALCALLBACK(0xFFFFFFFF, RASCS_Connected, 691);
  EXPECT_EQ(IpcText(), "Connection Successful" + std::string(43, ' '));
  EXPECT_EQ(ReportText(), "Connection Successful\r\nConnection Successful\r\n");
}

TEST_F(NotifierTest, WithoutIpcTheStatusFileIsNotTouched) {
  RASDIALCALLBACK(0, RASCS_Authenticated, 0);
  IpcEnabled = 0;
  RASDIALCALLBACK(0, RASCS_Connected, 0);
  EXPECT_EQ(IpcText(), "Authenticated" + std::string(51, ' '));
  EXPECT_EQ(ReportText(), "Authenticated\r\nConnection Successful\r\n");
}

// The bound on a late notification is the platform's event wait, so a hook
// can deliver the notification during the wait, or end the wait at once.
TEST_F(NotifierTest, AwaitedStateIsWaitedForThroughThePlatformsEventWait) {
  static int waits = 0;
  PlatformSetEventWaitHook([](PlatformEvent, uint32_t bound_ms) {
    ++waits;
    EXPECT_EQ(bound_ms, 1000u);
    RASDIALCALLBACK(0, RASCS_Connected, 0);
    return true;
  });
  EXPECT_TRUE(AwaitNotifiedState(RASCS_Connected, 1000));
  EXPECT_TRUE(AwaitNotifiedState(RASCS_Connected, 1000));  // already written: no wait
  EXPECT_EQ(waits, 1);
  PlatformSetEventWaitHook([](PlatformEvent, uint32_t) { return false; });
  EXPECT_FALSE(AwaitNotifiedState(RASCS_Authenticated, 1000));
  PlatformSetEventWaitHook(nullptr);
  EXPECT_EQ(ReportText(), "Connection Successful\r\n");
}

}  // namespace
