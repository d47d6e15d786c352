// The NetworkManager stand-in for the C++ tests: mock_bus.py runs a private
// bus with the dbusmock template on it, and this class drives its test
// control methods over sd-bus. The library under test finds the bus through
// DBUS_SYSTEM_BUS_ADDRESS, which Start sets for the whole test program.
#ifndef NELVO_TESTS_MOCK_NETWORK_MANAGER_H
#define NELVO_TESTS_MOCK_NETWORK_MANAGER_H

#include <map>
#include <string>
#include <vector>

namespace nmtest {

using Options = std::map<std::string, std::string>;
using Settings = std::map<std::string, std::map<std::string, std::string>>;

// Starts the bus and the stand-in once per test program.
void StartMockBus();
void StopMockBus();

// Starts or stops the stand-in alone (NetworkManager not running).
void StartNetworkManager();
void StopNetworkManager();

// Test control of the stand-in (see networkmanager_template.py).
std::string AddProfile(const std::string& id, const std::string& type, const Options& options);
void DeleteProfile(const std::string& path);
void ResetWorld();
void SetDenied(const std::string& what, bool denied);
void AddActiveConnections(unsigned count, const std::string& id, const std::string& type);
void QuitNetworkManager(unsigned delay_ms);
// The copy the last activation carried (string, boolean and uint values as
// text) and its options.
void LastActivation(Settings& settings, Options& options);
// The profiles whose autoconnect was blocked, in order.
std::vector<std::string> Blocked();

}  // namespace nmtest

#endif
