// Runs mock_bus.py as a child process and talks to the stand-in.
#include "tests/networkmanager_mock/mock_network_manager.h"

#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace nmtest {
namespace {

constexpr const char* kControl = "org.freedesktop.NetworkManager.TestControl";

pid_t server = -1;
FILE* to_server = nullptr;
FILE* from_server = nullptr;

std::string ReadLine() {
  char line[512];
  if (std::fgets(line, sizeof line, from_server) == nullptr) {
    throw std::runtime_error("mock_bus.py ended");
  }
  std::string text = line;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void Command(const char* command) {
  std::fprintf(to_server, "%s\n", command);
  std::fflush(to_server);
  if (ReadLine() != "ok") throw std::runtime_error(command);
}

// A bus connection of the test's own to the private bus.
sd_bus* ControlBus() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) throw std::runtime_error("no test bus");
  return bus;
}

sd_bus_message* NewControlCall(sd_bus* bus, const char* member) {
  sd_bus_message* m = nullptr;
  if (sd_bus_message_new_method_call(bus, &m, "org.freedesktop.NetworkManager",
                                     "/org/freedesktop/NetworkManager", kControl, member) < 0) {
    throw std::runtime_error(member);
  }
  return m;
}

sd_bus_message* Send(sd_bus* bus, sd_bus_message* call) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_call(bus, call, 0, &error, &reply);
  sd_bus_message_unref(call);
  std::string name = error.name ? error.name : "";
  sd_bus_error_free(&error);
  if (r < 0) throw std::runtime_error("control call failed: " + name);
  return reply;
}

// Reads one {sv} value as text.
std::string VariantText(sd_bus_message* m) {
  char type = 0;
  const char* contents = nullptr;
  sd_bus_message_peek_type(m, &type, &contents);
  std::string text;
  if (contents != nullptr && contents[0] == 's') {
    const char* s = nullptr;
    sd_bus_message_read(m, "v", "s", &s);
    text = s;
  } else if (contents != nullptr && contents[0] == 'b') {
    int b = 0;
    sd_bus_message_read(m, "v", "b", &b);
    text = b ? "true" : "false";
  } else if (contents != nullptr && contents[0] == 'u') {
    uint32_t u = 0;
    sd_bus_message_read(m, "v", "u", &u);
    text = std::to_string(u);
  } else {
    sd_bus_message_skip(m, "v");
    text = "?";
  }
  return text;
}

void ReadDictionary(sd_bus_message* m, Options& out) {
  sd_bus_message_enter_container(m, 'a', "{sv}");
  while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
    const char* key = nullptr;
    sd_bus_message_read_basic(m, 's', &key);
    std::string name = key;
    out[name] = VariantText(m);
    sd_bus_message_exit_container(m);
  }
  sd_bus_message_exit_container(m);
}

}  // namespace

void StartMockBus() {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
  server = fork();
  if (server == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    execl("/usr/bin/python3", "python3", NMTEST_DIR "/mock_bus.py", "serve", nullptr);
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  to_server = fdopen(in[1], "w");
  from_server = fdopen(out[0], "r");
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ReadLine().c_str(), 1);
  StartNetworkManager();
}

void StopMockBus() {
  if (server <= 0) return;
  std::fclose(to_server);  // end of input: the server stops everything
  int status = 0;
  waitpid(server, &status, 0);
  std::fclose(from_server);
  server = -1;
}

void StartNetworkManager() {
  Command("start");
}
void StopNetworkManager() {
  Command("stop");
}

std::string AddProfile(const std::string& id, const std::string& type, const Options& options) {
  sd_bus* bus = ControlBus();
  sd_bus_message* call = NewControlCall(bus, "AddProfile");
  sd_bus_message_append(call, "ss", id.c_str(), type.c_str());
  sd_bus_message_open_container(call, 'a', "{sv}");
  for (const auto& [key, value] : options) {
    if (key == "step_ms") {
      sd_bus_message_append(call, "{sv}", key.c_str(), "u", std::stoul(value));
    } else {
      sd_bus_message_append(call, "{sv}", key.c_str(), "s", value.c_str());
    }
  }
  sd_bus_message_close_container(call);
  sd_bus_message* reply = Send(bus, call);
  const char* path = nullptr;
  sd_bus_message_read(reply, "o", &path);
  std::string result = path;
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
  return result;
}

void DeleteProfile(const std::string& path) {
  sd_bus* bus = ControlBus();
  sd_bus_message* call = nullptr;
  sd_bus_message_new_method_call(bus, &call, "org.freedesktop.NetworkManager", path.c_str(),
                                 "org.freedesktop.NetworkManager.Settings.Connection", "Delete");
  sd_bus_message_unref(Send(bus, call));
  sd_bus_flush_close_unref(bus);
}

void ResetWorld() {
  sd_bus* bus = ControlBus();
  sd_bus_message_unref(Send(bus, NewControlCall(bus, "ResetWorld")));
  sd_bus_flush_close_unref(bus);
}

void SetDenied(const std::string& what, bool denied) {
  sd_bus* bus = ControlBus();
  sd_bus_message* call = NewControlCall(bus, "SetDenied");
  sd_bus_message_append(call, "sb", what.c_str(), denied ? 1 : 0);
  sd_bus_message_unref(Send(bus, call));
  sd_bus_flush_close_unref(bus);
}

void AddActiveConnections(unsigned count, const std::string& id, const std::string& type) {
  sd_bus* bus = ControlBus();
  sd_bus_message* call = NewControlCall(bus, "AddActiveConnections");
  sd_bus_message_append(call, "uss", count, id.c_str(), type.c_str());
  sd_bus_message_unref(Send(bus, call));
  sd_bus_flush_close_unref(bus);
}

void QuitNetworkManager(unsigned delay_ms) {
  sd_bus* bus = ControlBus();
  sd_bus_message* call = NewControlCall(bus, "Quit");
  sd_bus_message_append(call, "u", delay_ms);
  sd_bus_message_unref(Send(bus, call));
  sd_bus_flush_close_unref(bus);
}

void LastActivation(Settings& settings, Options& options) {
  sd_bus* bus = ControlBus();
  sd_bus_message* reply = Send(bus, NewControlCall(bus, "LastActivation"));
  sd_bus_message_enter_container(reply, 'a', "{sa{sv}}");
  while (sd_bus_message_enter_container(reply, 'e', "sa{sv}") > 0) {
    const char* group = nullptr;
    sd_bus_message_read_basic(reply, 's', &group);
    std::string name = group;
    ReadDictionary(reply, settings[name]);
    sd_bus_message_exit_container(reply);
  }
  sd_bus_message_exit_container(reply);
  ReadDictionary(reply, options);
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
}

std::vector<std::string> Blocked() {
  sd_bus* bus = ControlBus();
  sd_bus_message* reply = Send(bus, NewControlCall(bus, "Blocked"));
  char** paths = nullptr;
  sd_bus_message_read_strv(reply, &paths);
  std::vector<std::string> blocked;
  for (char** path = paths; path != nullptr && *path != nullptr; ++path) {
    blocked.push_back(*path);
    free(*path);
  }
  free(paths);
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
  return blocked;
}

}  // namespace nmtest
