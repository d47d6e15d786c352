// No exception leaves an exported function: each allocation inside each
// export is made to fail in turn, and the call must give the result of a
// failed call instead of ending the process.
#include <functional>
#include <string>

#include "platform/platform.h"
#include "remote_access/dial_notifier.h"
#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"
#include "tests/remote_access_dial/dial_support.h"
#include "tests/remote_access_dial/failing_allocator.h"

namespace {

const char kOffice[] =
    "[Office]\nPhoneNumber=555-0100\nUserName=stored\nPassword=secret\nStepMs=2\n";

class ExportEdge : public DialTest {
 protected:
  // Runs the call with its n-th allocation failing, for n = 0, 1, ... until
  // a call makes no more allocations than that; `check` judges each failed
  // call. Returns how many allocations were made to fail.
  int FailEachAllocation(const std::function<void()>& call,
                         const std::function<void(int n)>& check,
                         Failure failure = Failure::kMemory) {
    for (int n = 0;; ++n) {
      FailAllocationAfter(n, failure);
      call();
      if (!StopFailingAllocations()) return n;
      check(n);
    }
  }
};

TEST_F(ExportEdge, ListingsGiveZeroAndNull) {
  WritePhoneBook(kOffice);
  ASSERT_EQ(Dial(1, "", "", ""), 0);
  int32_t count = -1;
  NELVO_BSTR name = nullptr;
  int failures = FailEachAllocation([&] { count = rsAvailableEntries(); },
                                    [&](int n) { EXPECT_EQ(count, 0) << n; });
  EXPECT_GT(failures, 0);
  for (auto get_name : {&rsGetEntryName, &rsGetConnectionName}) {
    failures = FailEachAllocation([&] { name = get_name(1); },
                                  [&](int n) { EXPECT_EQ(name, nullptr) << n; });
    EXPECT_GT(failures, 0);
    PlatformFreeByteString(name);
  }
  failures = FailEachAllocation([&] { count = rsActiveConnections(); },
                                [&](int n) { EXPECT_EQ(count, 0) << n; });
  EXPECT_GT(failures, 0);
  failures = FailEachAllocation([&] { count = rsGetConnectionHandle(1); },
                                [&](int n) { EXPECT_EQ(count, 0) << n; });
  EXPECT_GT(failures, 0);
  EXPECT_EQ(rsHangUpConnection(rsGetConnectionHandle(1)), 0);
}

TEST_F(ExportEdge, LoadGivesZeroAndUnloadStaysSafe) {
  uintptr_t module = 1;
  // Only the POSIX load allocates (the library's file name).
  FailEachAllocation([&] { module = RasInitDLL(); }, [&](int n) { EXPECT_EQ(module, 0u) << n; });
  EXPECT_NE(module, 0u);
  FailAllocationAfter(0);
  RasUnloadDLL();
  StopFailingAllocations();
  EXPECT_EQ(RasInitDLL(), RasInitDLL());
  RasUnloadDLL();
}

TEST_F(ExportEdge, FailedDialGivesANegativeResultAndLeavesNoLink) {
  WritePhoneBook(kOffice);
  int32_t result = 0;
  int failures = FailEachAllocation([&] { result = Dial(1, "", "", ""); },
                                    [&](int n) {
                                      EXPECT_LT(result, 0) << n;
                                      EXPECT_EQ(ActiveConnections(), 0) << n;
                                    });
  EXPECT_GT(failures, 0);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(rsHangUpConnection(rsGetConnectionHandle(1)), 0);
}

// Any other failure inside, a lock error, gives 1359, the code nelvo then
// prints after "ERROR CODE :" (its list of codes holds it).
TEST_F(ExportEdge, LockErrorInADialGives1359AndLeavesNoLink) {
  WritePhoneBook(kOffice);
  int32_t result = 0;
  int failures = FailEachAllocation([&] { result = Dial(1, "", "", ""); },
                                    [&](int n) {
                                      EXPECT_EQ(result, -RAS_ERROR_INTERNAL) << n;
                                      EXPECT_EQ(ActiveConnections(), 0) << n;
                                    },
                                    Failure::kLock);
  EXPECT_GT(failures, 0);
  EXPECT_EQ(rsHangUpConnection(rsGetConnectionHandle(1)), 0);
}

// On Windows nothing in a hang-up allocates; on POSIX loading the library does.
TEST_F(ExportEdge, FailedHangUpGivesAnErrorCode) {
  WritePhoneBook(kOffice);
  for (Failure failure : {Failure::kMemory, Failure::kLock}) {
    int32_t code = failure == Failure::kMemory ? RAS_ERROR_NOT_ENOUGH_MEMORY : RAS_ERROR_INTERNAL;
    for (int n = 0;; ++n) {
      if (ActiveConnections() == 0) {
        ASSERT_EQ(Dial(1, "", "", ""), 0);
      }
      int32_t handle = rsGetConnectionHandle(1);
      FailAllocationAfter(n, failure);
      int32_t result = rsHangUpConnection(handle);
      if (!StopFailingAllocations()) {
        EXPECT_EQ(result, 0);
        break;
      }
      EXPECT_EQ(result, code) << n;
    }
  }
  EXPECT_EQ(ActiveConnections(), 0);
}

// The notifier runs on the service's thread and allocates nothing, so a
// full heap cannot cost it a state.
TEST_F(ExportEdge, NotifierNeedsNoAllocation) {
  OpenNotificationGate();
  FailAllocationAfter(0);
  RASDIALCALLBACK(0xCCCD, RASCS_AuthNotify, 0);
  RASDIALCALLBACK(0xCCCD, RASCS_ConnectDevice, 0);
  EXPECT_FALSE(StopFailingAllocations());
  EXPECT_EQ(ReportText(), "Dialing\r\n");
  EXPECT_EQ(IpcText(), "Dialing" + std::string(57, ' '));
}

}  // namespace
