// The command line on POSIX, rebuilt from argv as Windows would hand it over.
#include <string.h>

#include <string>

#include "platform/platform.h"

namespace {
int saved_count = 0;
char** saved_arguments = nullptr;

// Whether the program name is quoted in the rebuilt line.
bool QuotedName(const char* name) {
  return strchr(name, ' ') != nullptr;
}
}  // namespace

// Keeps argv for PlatformCommandLine.
void PlatformSetArguments(int argc, char** argv) {
  saved_count = argc;
  saved_arguments = argv;
}

// The program name, quoted when it holds a blank, then each argument after
// one blank. Built in one buffer, so no stray copy of an argument (a
// password among them) is left in freed memory.
std::string PlatformCommandLine() {
  size_t size = 2;
  for (int i = 0; i < saved_count && saved_arguments[i] != nullptr; ++i) {
    size += strlen(saved_arguments[i]) + 1;
  }
  std::string line;
  line.reserve(size);
  for (int i = 0; i < saved_count && saved_arguments[i] != nullptr; ++i) {
    const char* argument = saved_arguments[i];
    if (i > 0) {
      line += ' ';
      line += argument;
    } else if (QuotedName(argument)) {
      line += '"';
      line += argument;
      line += '"';
    } else {
      line += argument;
    }
  }
  return line;
}

// Walks argv as PlatformCommandLine laid it out and masks the bytes of the
// range that lie in an argument.
void PlatformMaskCommandLine(size_t offset, size_t length) {
  size_t end = offset + length;
  size_t position = 0;
  for (int i = 0; i < saved_count && saved_arguments[i] != nullptr && position < end; ++i) {
    char* argument = saved_arguments[i];
    bool quoted = i == 0 && QuotedName(argument);
    if (i > 0 || quoted) ++position;  // the blank before it, or the opening quote
    size_t size = strlen(argument);
    for (size_t k = 0; k < size; ++k, ++position) {
      if (position >= offset && position < end) argument[k] = '*';
    }
    if (quoted) ++position;  // the closing quote
  }
}
