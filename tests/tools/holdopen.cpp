// Test helper: holds a file open with no sharing until a stop file appears.
//   holdopen FILE STOPFILE
// Prints "held" once the file is open, so a driver knows when to go on.
// Gives up after a minute so that a failed test never leaves it behind.
#include <cstdio>

#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    (void)std::fputs("usage: holdopen FILE STOPFILE\n", stderr);
    return 2;
  }
  PlatformFile held = PlatformOpenFile(argv[1], kAccessWrite, kShareNone, kOpenAlways);
  if (held == kNoFile) {
    (void)std::fprintf(stderr, "holdopen: cannot open %s (%u)\n", argv[1], PlatformLastError());
    return 1;
  }
  (void)std::puts("held");
  (void)std::fflush(stdout);
  for (int waited = 0; waited < 60000; waited += 20) {
    PlatformFile stop =
        PlatformOpenFile(argv[2], kAccessRead, kShareRead | kShareWrite, kOpenExisting);
    if (stop != kNoFile) {
      PlatformCloseFile(stop);
      break;
    }
    PlatformSleep(20);
  }
  PlatformCloseFile(held);
  return 0;
}
