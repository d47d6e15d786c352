// Test helper: writes its argument as one line straight to the console
// window, then "after" to standard output.
//   consoleline TEXT
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  PlatformWriteConsoleLine(argv[1], std::strlen(argv[1]));
  (void)std::puts("after");
  return 0;
}
