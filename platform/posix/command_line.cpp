// The command line on POSIX, rebuilt from argv as Windows would hand it over.
#include <string>

#include "platform/platform.h"

namespace {
int saved_count = 0;
char** saved_arguments = nullptr;
}  // namespace

// Keeps argv for PlatformCommandLine.
void PlatformSetArguments(int argc, char** argv) {
  saved_count = argc;
  saved_arguments = argv;
}

// The program name, quoted when it holds a blank, then each argument after one blank.
std::string PlatformCommandLine() {
  std::string line;
  for (int i = 0; i < saved_count && saved_arguments[i] != nullptr; ++i) {
    std::string argument(saved_arguments[i]);
    if (i == 0) {
      line = argument.find(' ') == std::string::npos ? argument : "\"" + argument + "\"";
    } else {
      line += " " + argument;
    }
  }
  return line;
}
