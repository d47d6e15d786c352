// Fuzz target: the command tail and the option search over arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dialer/command_tail.h"
#include "dialer/options.h"
#include "status/text.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

// A value found for the name sits right after the name's first occurrence
// in the upper-cased tail, holds no blank and ends at a blank or the end.
void CheckValue(std::string_view tail, const std::string& upper, std::string_view name,
                const std::string& value, const std::string& fallback) {
  size_t found = upper.find(name);
  if (found == std::string::npos) {
    Check(value == fallback);
    return;
  }
  size_t start = found + name.size();
  Check(value.find(' ') == std::string::npos);
  Check(tail.substr(start, value.size()) == value);
  Check(start + value.size() == tail.size() || tail[start + value.size()] == ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  std::string_view tail = CommandTail(line);
  // The tail is the end of the line, never starting with a blank.
  Check(tail.size() <= line.size());
  Check(line.substr(line.size() - tail.size()) == tail);
  Check(tail.empty() || tail[0] != ' ');

  std::string upper = UpperCase(tail);
  Check(upper.size() == tail.size());
  Check(UpperCase(upper) == upper);

  RunSettings settings = ReadRunSettings(tail);
  Check(settings.hang_up_mode == (upper.find("/HANGUP") != std::string::npos));
  CheckValue(tail, upper, "/ENTRY:", settings.entry_name, "");
  CheckValue(tail, upper, "/LOG:", settings.log_file_name, "");
  CheckValue(tail, upper, "/IPC:", settings.ipc_file_name, "");
  if (settings.hang_up_mode) {
    // The dial options are not read at all.
    Check(settings.cancel_file_name == DefaultCancelFileName());
    Check(settings.user_name.empty() && settings.password.empty());
    Check(settings.phone_number.empty());
  } else {
    CheckValue(tail, upper, "/CANCEL:", settings.cancel_file_name, DefaultCancelFileName());
    CheckValue(tail, upper, "/USER:", settings.user_name, "");
    CheckValue(tail, upper, "/PASS:", settings.password, "");
    CheckValue(tail, upper, "/PHONE:", settings.phone_number, "");
  }
  return 0;
}
