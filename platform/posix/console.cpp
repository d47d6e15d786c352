// The console on POSIX: the terminal on standard input and /dev/tty.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"

namespace {

struct termios saved_mode;
volatile sig_atomic_t mode_saved = 0;

// Puts the terminal back as the user had it.
void RestoreTerminal() {
  if (mode_saved) tcsetattr(0, TCSANOW, &saved_mode);
}

// A fatal signal still leaves the user's terminal usable.
void RestoreAndReraise(int signal_number) {
  RestoreTerminal();
  (void)signal(signal_number, SIG_DFL);
  (void)raise(signal_number);
}

}  // namespace

// Turns off line input, echo and Ctrl+C handling on a terminal on standard
// input; the old mode comes back at exit or on a fatal signal. A run in the
// background leaves the terminal alone (changing it would stop the run).
void PlatformPrepareConsole() {
  if (!isatty(0) || tcgetpgrp(0) != getpgrp() || tcgetattr(0, &saved_mode) != 0) return;
  struct termios mode = saved_mode;
  mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
  mode_saved = 1;
  (void)atexit(RestoreTerminal);
  // Crash signals stay with their handlers (sanitizers report through them).
  for (int signal_number : {SIGTERM, SIGHUP, SIGQUIT, SIGABRT}) {
    (void)signal(signal_number, RestoreAndReraise);
  }
  (void)tcsetattr(0, TCSANOW, &mode);
}

// Standard output is a console when it is a terminal.
bool PlatformStdoutIsConsole() {
  return isatty(1) != 0;
}

// Writes the line and CR LF to the controlling terminal; nothing without one.
void PlatformWriteConsoleLine(const char* text, size_t length) {
  int tty = open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return;
  std::string line(text, length);
  line += "\r\n";
  size_t done = 0;
  while (done < line.size()) {
    ssize_t result = write(tty, line.data() + done, line.size() - done);
    if (result <= 0) break;
    done += static_cast<size_t>(result);
  }
  close(tty);
}
