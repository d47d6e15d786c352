// Dialling through the simulated library: the notifier on its own thread,
// failed dials that keep their handle, and hang-ups that take their time.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "tests/simulator/sim_support.h"

namespace {

// What the notifier saw, in order.
struct Notification {
  uint32_t message, state, error, thread;
  int64_t at;
};
std::mutex g_notified_mutex;
std::vector<Notification> g_notified;

void RAS_CALL RecordNotification(uint32_t message, uint32_t state, uint32_t error) {
  std::lock_guard<std::mutex> hold(g_notified_mutex);
  g_notified.push_back({message, state, error, CurrentThreadId(), NowMs()});
}

std::vector<Notification> Notified() {
  std::lock_guard<std::mutex> hold(g_notified_mutex);
  return g_notified;
}

class DialTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    std::lock_guard<std::mutex> hold(g_notified_mutex);
    g_notified.clear();
  }

  uint32_t DialWithNotifier(const char* name, HRASCONN* handle) {
    RASDIALPARAMS params = {};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, name);
    RASDIALEXTENSIONS extensions = {};
    extensions.dwSize = sizeof extensions;
    *handle = 0;
    return ras_.RasDialA(&extensions, nullptr, &params, 0,
                         reinterpret_cast<void*>(&RecordNotification), handle);
  }

  // Waits until the notifier has seen a state, at most two seconds.
  void WaitForState(uint32_t state) {
    for (int64_t end = NowMs() + 2000; NowMs() < end; SleepMs(5)) {
      for (const Notification& seen : Notified())
        if (seen.state == state) return;
    }
    FAIL() << "no notification of state " << state;
  }

  RASCONNSTATUS Status(HRASCONN handle, uint32_t* result) {
    RASCONNSTATUS status = {};
    status.dwSize = sizeof status;
    *result = ras_.RasGetConnectStatusA(handle, &status);
    return status;
  }
};

TEST_F(DialTest, NotifierGetsScriptedStatesOnItsOwnThreadAfterReturn) {
  WritePhoneBook("[Fast]\nStates=0,1,2,8192\nStepMs=50\n");
  HRASCONN handle = 0;
  ASSERT_EQ(DialWithNotifier("fast", &handle), 0u);
  EXPECT_LT(Notified().size(), 4u) << "an asynchronous dial returns before it connects";
  EXPECT_GT(handle, 0u);
  // Poll as the dialer does, loading and freeing the library around every
  // query; the dial thread goes on regardless.
  FreeServiceLibrary(&ras_);
  for (int64_t end = NowMs() + 2000; NowMs() < end && Notified().size() < 4; SleepMs(5)) {
    RasLibrary polled;
    ASSERT_TRUE(LoadServiceLibrary(LibraryIn(ProgramFolder()), &polled));
    RASCONNSTATUS status = {};
    status.dwSize = sizeof status;
    EXPECT_EQ(polled.RasGetConnectStatusA(handle, &status), 0u);
    FreeServiceLibrary(&polled);
  }
  ASSERT_TRUE(LoadServiceLibrary(LibraryIn(ProgramFolder()), &ras_));

  std::vector<Notification> seen = Notified();
  ASSERT_EQ(seen.size(), 4u);
  const uint32_t states[] = {0, 1, 2, 8192};
  for (size_t i = 0; i < seen.size(); i++) {
    EXPECT_EQ(seen[i].state, states[i]);
    EXPECT_EQ(seen[i].message, 0xCCCDu);
    EXPECT_EQ(seen[i].error, 0u);
    EXPECT_NE(seen[i].thread, CurrentThreadId());
  }
  EXPECT_GE(seen[3].at - seen[0].at, 3 * 50 - 5) << "each state takes its step time";
  uint32_t result = 0;
  RASCONNSTATUS status = Status(handle, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, static_cast<uint32_t>(RASCS_Connected));
  EXPECT_EQ(status.dwError, 0u);
  EXPECT_STREQ(status.szDeviceType, "modem");
  EXPECT_STREQ(status.szDeviceName, "Simulated Modem");

  // A handle left in place names a connection to resume: a new dial wants 0.
  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, "Fast");
  EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle),
            RAS_ERROR_INVALID_PARAMETER);
}

TEST_F(DialTest, FailedDialKeepsHandleWithErrorUntilHungUp) {
  WritePhoneBook(
      "[Busy]\nStates=0,1,2,3,8192\nStepMs=10\nFailAt=2\nError=676\n"
      "[Refused]\nStepMs=0\nFailAt=5\nError=691\n");
  HRASCONN busy = 0;
  ASSERT_EQ(DialWithNotifier("Busy", &busy), 0u);
  WaitForState(2);
  SleepMs(50);
  std::vector<Notification> seen = Notified();
  ASSERT_EQ(seen.size(), 3u) << "nothing after the failing state";
  EXPECT_EQ(seen[2].error, 676u);
  uint32_t result = 0;
  RASCONNSTATUS status = Status(busy, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, 2u);
  EXPECT_EQ(status.dwError, 676u);

  // Without a notifier the dial runs on the caller's thread and returns the error.
  HRASCONN refused = 0;
  EXPECT_EQ(DialNow("Refused", &refused), 691u);
  EXPECT_GT(refused, busy);
  status = Status(refused, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, 5u);
  EXPECT_EQ(status.dwError, 691u);

  EXPECT_EQ(ras_.RasHangUpA(busy), 0u);
  EXPECT_EQ(ras_.RasHangUpA(refused), 0u);
  Status(busy, &result);
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  Status(refused, &result);
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
}

TEST_F(DialTest, HangUpTakesScriptedTimeAndUnknownHandlesGiveSix) {
  WritePhoneBook("[Slow]\nStates=8192\nHangUpMs=150\n[Never]\nStepMs=0\nNeverFinish=1\n");
  HRASCONN slow = 0, never = 0;
  ASSERT_EQ(DialNow("Slow", &slow), 0u);
  ASSERT_EQ(DialWithNotifier("Never", &never), 0u);
  WaitForState(RASCS_Projected);
  SleepMs(30);
  EXPECT_EQ(Notified().back().state, static_cast<uint32_t>(RASCS_Projected)) << "never connects";

  int64_t start = NowMs();
  EXPECT_EQ(ras_.RasHangUpA(slow), 0u);
  EXPECT_EQ(ras_.RasHangUpA(slow), 0u) << "a second request while it goes";
  uint32_t result = 0;
  RASCONNSTATUS status = Status(slow, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, static_cast<uint32_t>(RASCS_Disconnected));
  while (result == 0 && NowMs() - start < 2000) {
    SleepMs(5);
    Status(slow, &result);
  }
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  EXPECT_GE(NowMs() - start, 140);

  EXPECT_EQ(ras_.RasHangUpA(never), 0u);
  Status(never, &result);
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  for (HRASCONN unknown : {0u, slow, 9999u}) {
    EXPECT_EQ(ras_.RasHangUpA(unknown), RAS_ERROR_INVALID_HANDLE);
    Status(unknown, &result);
    EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  }
  Connections(&result);
  EXPECT_EQ(result, 0u);
}

}  // namespace
