// The cost of one call of each exported phone-book and connection function,
// and of a whole run's entry lookup, against the simulated service with
// phone books of different sizes. Every call loads and frees the library
// and enumerates afresh, as a console run does.
//   nelvo_bench STATE_FOLDER [benchmark options]
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "dialer/entry_lookup.h"
#include "platform/platform.h"
#include "remote_access/nelvoras.h"
#include "status/error_status.h"

namespace {

std::string state_root;

std::string EntryName(int64_t position) {
  char name[32];
  std::snprintf(name, sizeof name, "Entry %05lld", static_cast<long long>(position));
  return name;
}

// A state folder of the simulator holding a phone book of `entries` entries.
std::string MakePhoneBook(int64_t entries) {
  std::string folder = state_root + "/book_" + std::to_string(entries);
  mkdir(folder.c_str(), 0755);
  std::FILE* file = std::fopen((folder + "/phonebook.ini").c_str(), "wb");
  if (file == nullptr) std::abort();
  for (int64_t i = 1; i <= entries; ++i) {
    std::fprintf(file, "[%s]\nPhoneNumber=555%04lld\nUserName=user\nPassword=pw\n\n",
                 EntryName(i).c_str(), static_cast<long long>(i));
  }
  std::fclose(file);
  return folder;
}

// Points the simulated service at the phone book of the benchmark's size.
void UsePhoneBook(const benchmark::State& state) {
  static int64_t current = -1;
  if (state.range(0) == current) return;
  current = state.range(0);
  setenv("RASSIM_DIR", MakePhoneBook(current).c_str(), 1);
}

void BM_RasInitAndUnloadDLL(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(RasInitDLL());
    RasUnloadDLL();
  }
}

void BM_rsAvailableEntries(benchmark::State& state) {
  UsePhoneBook(state);
  for (auto _ : state) {
    if (rsAvailableEntries() != state.range(0)) state.SkipWithError("wrong count");
  }
}

void BM_rsGetEntryName(benchmark::State& state) {
  UsePhoneBook(state);
  for (auto _ : state) {
    NELVO_BSTR name = rsGetEntryName(static_cast<int32_t>(state.range(0)));
    if (name == nullptr) state.SkipWithError("no name");
    PlatformFreeByteString(name);
  }
}

void BM_rsActiveConnections(benchmark::State& state) {
  UsePhoneBook(state);
  for (auto _ : state) benchmark::DoNotOptimize(rsActiveConnections());
}

void BM_rsGetConnectionName(benchmark::State& state) {
  UsePhoneBook(state);
  for (auto _ : state) PlatformFreeByteString(rsGetConnectionName(1));
}

void BM_rsGetConnectionHandle(benchmark::State& state) {
  UsePhoneBook(state);
  for (auto _ : state) benchmark::DoNotOptimize(rsGetConnectionHandle(1));
}

// A handle the service does not know: one refused request, one status
// query and the one 5 ms pause of the hang-up wait.
void BM_rsHangUpConnection(benchmark::State& state) {
  UsePhoneBook(state);
  for (auto _ : state) benchmark::DoNotOptimize(rsHangUpConnection(0x7fff));
}

// The last entry matches; every position is asked for by name, and every
// name query enumerates the whole phone book again: the cost grows with
// the square of the entries.
void BM_EntryLookup(benchmark::State& state) {
  UsePhoneBook(state);
  std::string wanted = EntryName(state.range(0));
  for (auto _ : state) {
    ErrorStatus status;
    if (LookUpEntry(wanted, status) != state.range(0)) state.SkipWithError("entry not found");
  }
  state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_RasInitAndUnloadDLL);
BENCHMARK(BM_rsAvailableEntries)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_rsGetEntryName)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_rsActiveConnections)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_rsGetConnectionName)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_rsGetConnectionHandle)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_rsHangUpConnection)->Arg(10);
BENCHMARK(BM_EntryLookup)
    ->Arg(10)
    ->Arg(30)
    ->Arg(100)
    ->Arg(300)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNSquared);

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: nelvo_bench STATE_FOLDER [benchmark options]\n");
    return 2;
  }
  state_root = argv[1];
  mkdir(state_root.c_str(), 0755);
  argv[1] = argv[0];
  int count = argc - 1;
  benchmark::Initialize(&count, argv + 1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
