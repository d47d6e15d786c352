// The process entry of nelvo.
#include <string>
#include <string_view>

#include "dialer/command_tail.h"
#include "dialer/options.h"
#include "dialer/run_dialer.h"
#include "dialer/startup.h"
#include "platform/platform.h"
#include "status/text.h"

namespace {

// Once the tail is copied, the password in the process's own arguments is
// masked so that other users do not read it in ps; where the system keeps
// its own copy of the command line (Windows) this does nothing.
void MaskPassword(const std::string& command_line, std::string_view tail) {
  size_t offset = 0;
  size_t length = 0;
  if (FindPasswordValue(tail, &offset, &length)) {
    PlatformMaskCommandLine(static_cast<size_t>(tail.data() - command_line.data()) + offset,
                            length);
  }
}

// Prepares the console, decides once whether standard output is one, and
// runs; the exit code is RunDialer's, always 0.
int32_t StartAndRun(int argc, char** argv) {
  PlatformKeepRunningWithoutReader();
  PlatformSetArguments(argc, argv);
  PlatformPrepareConsole();
  bool console = PlatformStdoutIsConsole();
  std::string command_line = PlatformCommandLine();
  std::string_view tail = CommandTail(command_line);
  SetStartupValues(tail, console);
  MaskPassword(command_line, tail);
  ClearSecretText(command_line);
  return RunDialerAtEntry();
}

}  // namespace

// An exception before the run, too, ends the process as the failure model
// says: files closed, exit code 0.
int main(int argc, char** argv) {
  try {
    return StartAndRun(argc, argv);
  } catch (...) {
    return EndRunAfterException();
  }
}
