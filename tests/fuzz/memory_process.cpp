// The platform's console, command-line and sleep calls, answered from
// memory: nothing waits and nothing reaches a terminal.
#include <atomic>

#include "platform/platform.h"
#include "tests/fuzz/memory_world.h"
#include "tests/fuzz/memory_world_internal.h"

namespace {
std::atomic<void (*)(uint32_t)> sleep_hook{nullptr};
}  // namespace

void PlatformPrepareConsole() {}

bool PlatformStdoutIsConsole() {
  return MemoryStdoutKind() == kStdoutConsole;
}

// Kept so that a run's console lines can be checked.
void PlatformWriteConsoleLine(const char* text, size_t length) {
  MemoryConsoleBytes().append(text, length).append("\r\n");
}

std::string PlatformCommandLine() {
  return MemorySettings().command_line;
}

void PlatformSetArguments(int, char**) {}

void PlatformSetSleepHook(void (*hook)(uint32_t milliseconds)) {
  sleep_hook = hook;
}

// Returns at once: a run's waits would only slow the fuzzer down.
void PlatformSleep(uint32_t milliseconds) {
  if (void (*hook)(uint32_t) = sleep_hook.load()) hook(milliseconds);
}
