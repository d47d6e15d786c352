// Test helper: tries to open a file for reading, sharing reading and
// writing with others, as a program that watches a status file would.
//   tryopen FILE
// Prints "opened" (exit 0) or "refused CODE" with the system error (exit 1).
#include <cstdio>

#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    (void)std::fputs("usage: tryopen FILE\n", stderr);
    return 2;
  }
  PlatformFile file =
      PlatformOpenFile(argv[1], kAccessRead, kShareRead | kShareWrite, kOpenExisting);
  if (file == kNoFile) {
    (void)std::printf("refused %u\n", PlatformLastError());
    return 1;
  }
  PlatformCloseFile(file);
  (void)std::puts("opened");
  return 0;
}
