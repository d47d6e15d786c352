// The process entry of nelvo.
#include "dialer/command_tail.h"
#include "dialer/run_dialer.h"
#include "dialer/startup.h"
#include "platform/platform.h"

// Prepares the console, decides once whether standard output is one, and
// runs; the exit code is RunDialer's, always 0.
int main(int argc, char** argv) {
  PlatformSetArguments(argc, argv);
  PlatformPrepareConsole();
  bool console = PlatformStdoutIsConsole();
  std::string command_line = PlatformCommandLine();
  SetStartupValues(CommandTail(command_line), console);
  return RunDialer();
}
