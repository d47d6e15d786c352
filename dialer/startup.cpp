// Start-up values, set once by the process entry.
#include "dialer/startup.h"

#include "status/text.h"

namespace {
std::string command_tail;
bool stdout_was_console = false;
}  // namespace

// SetStartupValues: called before RunDialer.
void SetStartupValues(std::string_view tail, bool console) {
  command_tail.assign(tail);
  stdout_was_console = console;
}

// StartupCommandTail: the command line without the program name.
const std::string& StartupCommandTail() {
  return command_tail;
}

// StdoutWasConsole: the answer taken at start.
bool StdoutWasConsole() {
  return stdout_was_console;
}

void ClearStartupCommandTail() {
  ClearSecretText(command_tail);
}
