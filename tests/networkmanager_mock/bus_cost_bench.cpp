// What one bus connection per call costs: opening and closing the system
// bus alone, one property read on a fresh connection, and each of the
// library's functions, against the NetworkManager stand-in on a private
// bus. Prints microseconds per call (median of the rounds). Not a test: a
// figure for doc/linux.md, from "nmras_bus_cost_bench [rounds]".
#include <dlfcn.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "remote_access/ras_functions.h"
#include "tests/networkmanager_mock/mock_network_manager.h"

namespace {

double MedianMicros(int rounds, const std::function<void()>& body) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    body();
    std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    times.push_back(took.count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Row(const char* name, double micros) {
  std::printf("%-44s %9.1f\n", name, micros);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
  void* lib = dlopen(NMTEST_LIBRARY, RTLD_NOW);
  if (lib == nullptr) return 1;
  auto enum_entries = reinterpret_cast<RasEnumEntriesAFunc>(dlsym(lib, "RasEnumEntriesA"));
  auto dial_params =
      reinterpret_cast<RasGetEntryDialParamsAFunc>(dlsym(lib, "RasGetEntryDialParamsA"));
  auto status = reinterpret_cast<RasGetConnectStatusAFunc>(dlsym(lib, "RasGetConnectStatusA"));
  auto enum_connections =
      reinterpret_cast<RasEnumConnectionsAFunc>(dlsym(lib, "RasEnumConnectionsA"));
  auto hang_up = reinterpret_cast<RasHangUpAFunc>(dlsym(lib, "RasHangUpA"));
  nmtest::StartMockBus();
  for (const char* name : {"Mobile", "Backup", "DSL"}) nmtest::AddProfile(name, "gsm", {});
  nmtest::AddActiveConnections(3, "Mobile", "gsm");

  std::printf("%-44s %9s\n", "median of rounds", "us/call");
  Row("open + close the system bus", MedianMicros(rounds, [] {
        sd_bus* bus = nullptr;
        sd_bus_open_system(&bus);
        sd_bus_flush_close_unref(bus);
      }));
  Row("open, one property read, close", MedianMicros(rounds, [] {
        sd_bus* bus = nullptr;
        char* version = nullptr;
        sd_bus_open_system(&bus);
        sd_bus_get_property_string(bus, "org.freedesktop.NetworkManager",
                                   "/org/freedesktop/NetworkManager",
                                   "org.freedesktop.NetworkManager", "Version", nullptr, &version);
        std::free(version);
        sd_bus_flush_close_unref(bus);
      }));
  Row("RasEnumEntriesA (3 dial-up profiles)", MedianMicros(rounds, [&] {
        RASENTRYNAME entries[4] = {};
        entries[0].dwSize = sizeof(RASENTRYNAME);
        uint32_t size = sizeof entries, count = 0;
        enum_entries(nullptr, nullptr, entries, &size, &count);
      }));
  Row("RasGetEntryDialParamsA (last entry)", MedianMicros(rounds, [&] {
        RASDIALPARAMS params = {};
        params.dwSize = sizeof params;
        std::strcpy(params.szEntryName, "DSL");
        int32_t stored = 0;
        dial_params(nullptr, &params, &stored);
      }));
  Row("RasGetConnectStatusA (active connection)", MedianMicros(rounds, [&] {
        RASCONNSTATUS record = {};
        record.dwSize = sizeof record;
        status(1, &record);
      }));
  Row("RasEnumConnectionsA (3 active)", MedianMicros(rounds, [&] {
        std::vector<RASCONN> connections(100);
        connections[0].dwSize = sizeof(RASCONN);
        uint32_t size = 100 * sizeof(RASCONN), count = 0;
        enum_connections(connections.data(), &size, &count);
      }));
  Row("RasHangUpA (unknown handle)", MedianMicros(rounds, [&] { hang_up(4242); }));
  nmtest::StopMockBus();
  return 0;
}
