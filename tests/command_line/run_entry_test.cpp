// The process entry's catch: an exception on the main thread of a run
// (here each allocation of a run made to fail in turn) ends the run as the
// failure model says, with every file closed and 0 to return.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dialer/run_dialer.h"
#include "dialer/startup.h"
#include "status/ipc_status.h"
#include "status/numbered_files.h"
#include "tests/remote_access_dial/failing_allocator.h"

namespace {

// The run stops at the missing password, before the phone book is asked.
const char kTail[] = "/ENTRY:Office /LOG:run_entry_test.log /IPC:run_entry_test.ipc /USER:u";

TEST(RunDialerAtEntry, AnExceptionEndsTheRunWithFilesClosed) {
  int failures = 0;
  for (long n = 0;; ++n) {
    SetStartupValues(kTail, true);  // a console: the report goes to the log
    FailAllocationAfter(n);
    int32_t result = RunDialerAtEntry();
    bool failed = StopFailingAllocations();
    EXPECT_EQ(0, result) << n;
    EXPECT_FALSE(IsFileOpen(1)) << n;
    EXPECT_FALSE(IsFileOpen(2)) << n;
    if (!failed) break;
    ++failures;
  }
  EXPECT_GT(failures, 3);
  IpcEnabled = 0;
  std::remove("run_entry_test.log");
  std::remove("run_entry_test.ipc");
}

}  // namespace
