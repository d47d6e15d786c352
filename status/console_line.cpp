// The console line.
#include "status/console_line.h"

#include "platform/platform.h"

// WriteConsoleLine: not through the report channel, and not locked with
// it: the notifier is not running when a hang-up reports.
void WriteConsoleLine(std::string_view line) {
  PlatformWriteConsoleLine(line.data(), line.size());
}
