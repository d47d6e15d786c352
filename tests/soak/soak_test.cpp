// Load held: 1,000 dial and hang-up cycles in one process through the
// exported functions against the simulated service, with the library held
// by RasInitDLL and without. The dial's one-second waits are shortened
// through the platform's sleep seam. Memory, descriptors and threads after
// the last cycle must be what they were after the tenth.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"

namespace {

namespace fs = std::filesystem;

const int kCycles = 1000;
const int kSettledCycle = 10;

struct Usage {
  size_t heap_bytes = 0;  // in use by malloc
  size_t resident_kib = 0;
  int descriptors = 0;
  int threads = 0;
};

int EntriesIn(const char* folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    (void)entry;
    ++count;
  }
  return count;
}

size_t ResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string key;
  size_t value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

// The simulated service's dial threads end on their own once a dial has
// connected; give the last one a moment before counting.
int SettledThreads() {
  int threads = EntriesIn("/proc/self/task");
  for (int i = 0; i < 200 && threads > 1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    threads = EntriesIn("/proc/self/task");
  }
  return threads;
}

bool HeapIsExact() {
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  return tunables != nullptr && std::strstr(tunables, "glibc.malloc.tcache_count=0") != nullptr &&
         std::strstr(tunables, "glibc.malloc.arena_max=1") != nullptr;
}

Usage Measure() {
  Usage usage;
  usage.threads = SettledThreads();
  usage.descriptors = EntriesIn("/proc/self/fd");
  usage.heap_bytes = mallinfo2().uordblks;
  usage.resident_kib = ResidentKib();
  return usage;
}

NELVO_BSTR Text(const char* text) {
  return PlatformAllocByteString(text, static_cast<uint32_t>(std::char_traits<char>::length(text)));
}

// Waits of the current dial and its hang-up, counted from the dial's start.
std::atomic<int> waits_this_cycle{0};

// A second of polling becomes a millisecond; the hang-up's 5 ms too. A dial
// that a busy machine holds up past its first 20 polls gets 50 ms a poll
// from then on, over 3 s of real time in all before its 85 polls run out.
void ShortSleep(uint32_t milliseconds) {
  int waits = ++waits_this_cycle;
  int shortened = waits <= 20 ? 1 : 50;
  std::this_thread::sleep_for(
      std::chrono::milliseconds(milliseconds >= 5 ? shortened : milliseconds));
}

class Soak : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    folder_ = fs::current_path() / "soak_state";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::ofstream(folder_ / "phonebook.ini", std::ios::binary)
        << "[Office]\nPhoneNumber=555-0100\nUserName=stored\nPassword=secret\nStepMs=1\n";
    setenv("RASSIM_DIR", folder_.string().c_str(), 1);
    SetCancelFileName((folder_ / "cancel.qcx").string());
    // The console program's way: a notifier, so each dial runs on a
    // thread of the service's own.
    SetDialNotifier(reinterpret_cast<void*>(&RASDIALCALLBACK));
    PlatformSetSleepHook(ShortSleep);
  }
  void TearDown() override {
    PlatformSetSleepHook(nullptr);
    SetDialNotifier(nullptr);
    fs::remove_all(folder_);
  }
  fs::path folder_;
};

// One dial that connects, and its hang-up.
void Cycle(int cycle) {
  waits_this_cycle = 0;
  ASSERT_EQ(rsDialEntry(1, Text("555-0199"), Text("soak"), Text("pw")), 0) << cycle;
  int32_t handle = rsGetConnectionHandle(1);
  ASSERT_NE(handle, 0) << cycle;
  ASSERT_EQ(rsHangUpConnection(handle), 0) << cycle;
  ASSERT_EQ(rsActiveConnections(), 0) << cycle;
}

void Report(const char* when, const Usage& usage) {
  std::printf("%-16s heap %zu bytes, resident %zu KiB, %d descriptors, %d threads\n", when,
              usage.heap_bytes, usage.resident_kib, usage.descriptors, usage.threads);
}

TEST_P(Soak, ThousandCyclesLeaveNothingBehind) {
  bool held = GetParam();
  if (held) {
    ASSERT_NE(RasInitDLL(), 0u);
  }
  auto start = std::chrono::steady_clock::now();
  Usage settled;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    Cycle(cycle);
    if (HasFatalFailure()) break;
    if (cycle == kSettledCycle) settled = Measure();
  }
  Usage last = Measure();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (held) RasUnloadDLL();
  std::printf("%s, %d cycles in %.1f s (%.1f ms each)\n", held ? "held" : "not held", kCycles,
              seconds, seconds * 1000 / kCycles);
  Report("after cycle 10:", settled);
  Report("after the last:", last);
  EXPECT_EQ(last.descriptors, settled.descriptors);
  EXPECT_EQ(last.threads, settled.threads);
  // Freed blocks that malloc's per-thread caches keep count as in use, and
  // a new arena may appear at any time: CTest runs this with both switched
  // off (GLIBC_TUNABLES). What is left is the C library's own bookkeeping
  // for the service's threads, once a few hundred bytes; a leak of even one
  // allocation per cycle would be 990 blocks of 16 bytes at least.
  if (HeapIsExact()) {
    EXPECT_LT(last.heap_bytes, settled.heap_bytes + 1024);
    EXPECT_GE(last.heap_bytes + 1024, settled.heap_bytes);
  }
  // Pages the allocator keeps may differ a little; a leak would not.
  EXPECT_LE(last.resident_kib, settled.resident_kib + 256);
}

INSTANTIATE_TEST_SUITE_P(Library, Soak, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& mode) {
                           return mode.param ? "Held" : "NotHeld";
                         });

}  // namespace
