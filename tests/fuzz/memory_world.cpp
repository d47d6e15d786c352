// The in-memory world's state, its set-up from fuzz input and inspection.
#include <cstring>

#include "platform/platform.h"
#include "remote_access/dial_values.h"
#include "status/text.h"
#include "tests/fuzz/memory_world.h"
#include "tests/fuzz/memory_world_internal.h"

namespace {

WorldSettings settings;
std::map<std::string, WorldFile> files;
std::vector<MemoryOpenFile> handles;
std::set<std::string> held_keys;
std::string stdout_bytes;
std::string console_bytes;

// Byte i of the choices after the command line, 0 when the input is shorter.
uint8_t Choice(const uint8_t* choices, size_t count, size_t i) {
  return i < count ? choices[i] : 0;
}

void AddOldFile(const std::string& name, const std::string& bytes) {
  WorldFile& file = files[WorldFileKey(name)];
  file.bytes = bytes;
  file.existed_before = true;
}

}  // namespace

const char* const kRasFunctionNames[kRasFunctionCount] = RAS_FUNCTION_NAMES;

// Byte 0: phone book; 1: dial; 2: missing functions; 3: active connections
// and a hang-up that never completes; 4: standard output and file faults.
WorldSettings WorldFromInput(const uint8_t* data, size_t size) {
  WorldSettings world;
  const void* nul = std::memchr(data, 0, size);
  size_t line = nul == nullptr ? size : size_t(static_cast<const uint8_t*>(nul) - data);
  world.command_line.assign(reinterpret_cast<const char*>(data), line);
  const uint8_t* choices = data + line + (nul == nullptr ? 0 : 1);
  size_t count = nul == nullptr ? 0 : size - line - 1;
  world.book = PhoneBookKind(Choice(choices, count, 0) % kBookKinds);
  world.dial = DialKind(Choice(choices, count, 1) % kDialKinds);
  world.missing_functions = Choice(choices, count, 2) & 0x3f;
  uint8_t connections = Choice(choices, count, 3);
  world.active_connections = connections & 7;
  world.hang_up_never_completes = (connections & 8) != 0;
  uint8_t faults = Choice(choices, count, 4);
  world.stdout_kind = StdoutKind(faults & 3);
  world.disk_full = (faults & 4) != 0;
  world.stale_cancel_file = (faults & 8) != 0;
  world.log_held_elsewhere = (faults & 16) != 0;
  world.old_ipc_file = (faults & 32) != 0;
  return world;
}

void ResetWorld(const WorldSettings& world) {
  settings = world;
  files.clear();
  handles.clear();
  held_keys.clear();
  stdout_bytes.clear();
  console_bytes.clear();
  if (world.stdout_kind == kStdoutDiskFile) stdout_bytes = "output of an earlier run\r\n";
  if (world.stale_cancel_file) AddOldFile(DefaultCancelFileName(), "");
  if (world.old_ipc_file) AddOldFile("ipc.txt", std::string(100, 'x'));
  if (world.log_held_elsewhere) {
    AddOldFile("nelvo.log", "held");
    held_keys.insert(WorldFileKey("nelvo.log"));
  }
  ResetFakeService();
  // A notification still awaited is answered at once, as if its bound had
  // passed: the wait would only slow the fuzzer down.
  PlatformSetEventWaitHook([](PlatformEvent, uint32_t) { return false; });
}

void ReleaseWorld() {
  settings = WorldSettings();
  files.clear();
  std::vector<MemoryOpenFile>().swap(handles);
  held_keys.clear();
  std::string().swap(stdout_bytes);
  std::string().swap(console_bytes);
  ReleaseFakeService();
}

std::string WorldFileKey(const std::string& name) {
  std::string key = UpperCase(name);
  if (key.size() > 2 && key[0] == '.' && (key[1] == '\\' || key[1] == '/')) key.erase(0, 2);
  return key;
}

const std::map<std::string, WorldFile>& WorldFiles() {
  return files;
}
const std::string& WorldStdout() {
  return stdout_bytes;
}
const std::string& WorldConsole() {
  return console_bytes;
}

int WorldOpenHandles() {
  int open = 0;
  for (const MemoryOpenFile& handle : handles) open += handle.key.empty() ? 0 : 1;
  return open;
}

std::map<std::string, WorldFile>& MemoryFiles() {
  return files;
}
std::vector<MemoryOpenFile>& MemoryHandles() {
  return handles;
}
std::set<std::string>& MemoryHeldKeys() {
  return held_keys;
}
std::string& MemoryStdoutBytes() {
  return stdout_bytes;
}
std::string& MemoryConsoleBytes() {
  return console_bytes;
}
StdoutKind MemoryStdoutKind() {
  return settings.stdout_kind;
}
bool MemoryDiskFull() {
  return settings.disk_full;
}
const WorldSettings& MemorySettings() {
  return settings;
}
