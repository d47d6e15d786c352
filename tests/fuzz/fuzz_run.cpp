// Fuzz target: a whole run of the dialer from an arbitrary command line,
// against the in-memory world (files, standard output, a fake rasapi32).
// Input: the command line up to the first NUL byte, then the world's
// choices (see WorldFromInput).
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "dialer/command_tail.h"
#include "dialer/options.h"
#include "dialer/run_dialer.h"
#include "dialer/startup.h"
#include "platform/platform.h"
#include "remote_access/binding.h"
#include "remote_access/dial_values.h"
#include "status/ipc_status.h"
#include "status/numbered_files.h"
#include "status/text.h"
#include "tests/fuzz/memory_world.h"

namespace {

const char kBanner[] = "Nelvo - Command line RAS dialer - 2.0\r\n";

void Check(bool condition) {
  if (!condition) abort();
}

struct RunOutcome {
  std::map<std::string, std::string> files;
  std::string stdout_bytes;
  std::string console_bytes;
};

bool StartsWith(const std::string& text, std::string_view start) {
  return text.compare(0, start.size(), start) == 0;
}

bool EndsWithLineEnd(const std::string& text) {
  return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
}

// One run as the process entry makes it, with the process-wide values a
// fresh process would have.
RunOutcome RunInWorld(const WorldSettings& world) {
  ResetWorld(world);
  IpcEnabled = 0;
  ConnectionHandle = 0;
  SetStartupValues(CommandTail(world.command_line), PlatformStdoutIsConsole());
  Check(RunDialer() == 0);
  // The library is never left loaded by a console run; the dial may keep
  // one reference of its own for the rest of the process.
  Check(RasLibraryHandle == nullptr);
  Check(WorldModuleReferences() <= 1);
  CloseAllFiles();  // what the end of the process does after a failed hang-up
  Check(WorldOpenHandles() == 0);
  RunOutcome outcome;
  for (const auto& [key, file] : WorldFiles()) outcome.files[key] = file.bytes;
  outcome.stdout_bytes = WorldStdout();
  outcome.console_bytes = WorldConsole();
  return outcome;
}

// Report lines are whole and begin with the banner, on whichever channel.
void CheckReport(const WorldSettings& world, const RunSettings& settings,
                 const RunOutcome& outcome) {
  bool to_log = world.stdout_kind == kStdoutConsole && !settings.log_file_name.empty();
  if (!to_log) {
    if (world.stdout_kind != kStdoutNone) {
      Check(StartsWith(outcome.stdout_bytes, kBanner));
      Check(EndsWithLineEnd(outcome.stdout_bytes));
    }
    return;
  }
  Check(outcome.stdout_bytes.empty());
  std::string key = WorldFileKey(settings.log_file_name);
  auto log = outcome.files.find(key);
  if (log == outcome.files.end() || world.disk_full || world.log_held_elsewhere ||
      !IsUsableFileName(settings.log_file_name)) {
    return;
  }
  Check(StartsWith(log->second, kBanner));
  Check(EndsWithLineEnd(log->second));
}

// The IPC file holds one 64-byte record; bytes of an older, longer file
// after it stay as they were.
void CheckIpcFile(const WorldSettings& world, const RunSettings& settings,
                  const RunOutcome& outcome) {
  if (settings.ipc_file_name.empty() || !IsUsableFileName(settings.ipc_file_name)) return;
  std::string key = WorldFileKey(settings.ipc_file_name);
  auto ipc = outcome.files.find(key);
  if (ipc == outcome.files.end() || world.disk_full) return;
  // A name the log holds, or another program holds, is never opened as the IPC file.
  bool to_log = world.stdout_kind == kStdoutConsole && !settings.log_file_name.empty();
  if (to_log && key == WorldFileKey(settings.log_file_name)) return;
  if (world.log_held_elsewhere && key == WorldFileKey("nelvo.log")) return;
  if (world.old_ipc_file && key == WorldFileKey("ipc.txt")) {
    Check(ipc->second.size() == 100);
    Check(ipc->second.substr(64) == std::string(36, 'x'));
  } else if (!ipc->second.empty()) {
    Check(ipc->second.size() == 64);
  }
}

// Where the option's value sits in the tail: [start, end), or nothing.
struct Span {
  size_t start = 0;
  size_t end = 0;
};

bool Overlaps(Span a, Span b) {
  return a.start < b.end && b.start < a.end;
}

// The command line with the password replaced by other bytes of the same
// length, or empty when the password cannot be replaced alone (it holds an
// option name, or another option's value runs into it).
std::string WithOtherPassword(const std::string& line, std::string_view tail,
                              const RunSettings& settings) {
  if (settings.password.empty() || settings.password.find('/') != std::string::npos) return "";
  std::string upper = UpperCase(tail);
  size_t found = upper.find("/PASS:");
  Span password = {found + 6, found + 6 + settings.password.size()};
  const RunSettings* s = &settings;
  const std::pair<const char*, const std::string*> others[] = {{"/HANGUP", nullptr},
                                                               {"/ENTRY:", &s->entry_name},
                                                               {"/LOG:", &s->log_file_name},
                                                               {"/IPC:", &s->ipc_file_name},
                                                               {"/CANCEL:", &s->cancel_file_name},
                                                               {"/USER:", &s->user_name},
                                                               {"/PHONE:", &s->phone_number}};
  for (const auto& [name, value] : others) {
    size_t at = upper.find(name);
    if (at == std::string::npos) continue;
    size_t end = at + std::string_view(name).size() + (value == nullptr ? 0 : value->size());
    if (Overlaps(password, {at, end})) return "";
  }
  std::string other = line;
  size_t offset = line.size() - tail.size();
  for (size_t i = password.start; i < password.end; ++i) {
    other[offset + i] = other[offset + i] == 'q' ? 'z' : 'q';
  }
  return other;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PlatformSetSleepHook(nullptr);
  WorldSettings world = WorldFromInput(data, size);
  std::string_view tail = CommandTail(world.command_line);
  RunSettings settings = ReadRunSettings(tail);

  RunOutcome outcome = RunInWorld(world);
  CheckReport(world, settings, outcome);
  CheckIpcFile(world, settings, outcome);
  // What the service dialled with is the password typed, cut to its field.
  for (const std::string& dialled : WorldDialledPasswords()) {
    Check(dialled == settings.password.substr(0, 256));
  }

  // No output depends on the password's bytes: a run with another password
  // of the same length leaves every file and channel as this one did.
  std::string other_line = WithOtherPassword(world.command_line, tail, settings);
  if (!other_line.empty()) {
    WorldSettings other_world = world;
    other_world.command_line = other_line;
    RunOutcome other = RunInWorld(other_world);
    Check(other.files == outcome.files);
    Check(other.stdout_bytes == outcome.stdout_bytes);
    Check(other.console_bytes == outcome.console_bytes);
  }
  ReleaseWorld();
  return 0;
}
