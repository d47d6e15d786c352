// The dial's own reference to the library, seen through the loads and
// frees the recording stub logs: taken only when a notifier is handed
// over, and kept only while the link it was taken for is up.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "remote_access/binding.h"
#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"
#include "tests/remote_access/stub_fixture.h"

namespace {

// A stub dial that connects with handle 1001 and whose link stays up for
// three status queries: the dial's first query, one poll, the final query.
class StubDialHold : public StubTest {
 protected:
  void SetUp() override {
    StubTest::SetUp();
    SetStubSetting("RASSTUB_ENTRIES", "Office");
    SetStubSetting("RASSTUB_CONNECTIONS", "Office");
    SetStubSetting("RASSTUB_DIAL_HANDLE", "1001");
    SetStubSetting("RASSTUB_LIVE_POLLS", "3");
    CancelFileName = "no-such-cancel-file";
    PlatformSetSleepHook([](uint32_t) {});
  }
  void TearDown() override {
    PlatformSetSleepHook(nullptr);
    DialCallbackAddress = nullptr;
    StubTest::TearDown();
  }
  static int32_t DialOffice() { return rsDialEntry(1, nullptr, nullptr, nullptr); }
};

const char kDialedSynchronously[] =
    "load\nenum-entries 264\nfree\nload\ndial-params\nfree\nload\ndial\nfree\n"
    "load\nstatus 1001\nfree\nload\nstatus 1001\nfree\nload\nstatus 1001\nfree\n";

TEST_F(StubDialHold, WithoutANotifierNoReferenceIsTaken) {
  DialCallbackAddress = nullptr;
  EXPECT_EQ(DialOffice(), 0);
  EXPECT_EQ(StubLog(), kDialedSynchronously);
}

TEST_F(StubDialHold, WithoutANotifierOneUnloadFreesTheHeldLibrary) {
  DialCallbackAddress = nullptr;
  ASSERT_NE(RasInitDLL(), 0u);
  EXPECT_EQ(DialOffice(), 0);
  RasUnloadDLL();
  EXPECT_EQ(StubLog(),
            "load\nenum-entries 264\ndial-params\ndial\n"
            "status 1001\nstatus 1001\nstatus 1001\nfree\n");
}

TEST_F(StubDialHold, ConnectedLinkKeepsTheLibraryUntilItIsHungUp) {
  DialCallbackAddress = reinterpret_cast<void*>(&RASDIALCALLBACK);
  ASSERT_NE(RasInitDLL(), 0u);
  EXPECT_EQ(DialOffice(), 0);
  RasUnloadDLL();
  // The link can still notify: the library stays.
  EXPECT_EQ(StubLog(),
            "load\nenum-entries 264\ndial-params\ndial notifying\n"
            "status 1001\nstatus 1001\nstatus 1001\n");
  // The fourth query finds the link gone, and the reference goes with it.
  EXPECT_EQ(rsHangUpConnection(1001), 0);
  EXPECT_EQ(StubLog(),
            "load\nenum-entries 264\ndial-params\ndial notifying\n"
            "status 1001\nstatus 1001\nstatus 1001\nhangup 1001\nstatus 1001\nfree\n");
}

TEST_F(StubDialHold, FailedDialLetsTheLibraryGoOnceHungUp) {
  DialCallbackAddress = reinterpret_cast<void*>(&RASDIALCALLBACK);
  SetStubSetting("RASSTUB_LIVE_POLLS", "0");
  EXPECT_EQ(DialOffice(), -RAS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(StubLog(),
            "load\nenum-entries 264\nfree\nload\ndial-params\nfree\nload\ndial notifying\n"
            "status 1001\nhangup 1001\nstatus 1001\nfree\n");
}

}  // namespace
