// Option search.
#include "dialer/options.h"

#include "status/text.h"

// FindOption: nothing checks what comes before or after the name.
bool FindOption(std::string_view upper_tail, std::string_view tail, std::string_view name,
                std::string* value) {
  size_t found = upper_tail.find(name);
  if (found == std::string_view::npos) return false;
  if (value != nullptr) {
    std::string_view rest = tail.substr(found + name.size());
    *value = std::string(rest.substr(0, rest.find(' ')));
  }
  return true;
}

// ReadRunSettings: an option that is not found keeps its default.
RunSettings ReadRunSettings(std::string_view tail) {
  std::string upper = UpperCase(tail);
  RunSettings settings;
  settings.hang_up_mode = FindOption(upper, tail, "/HANGUP", nullptr);
  FindOption(upper, tail, "/ENTRY:", &settings.entry_name);
  FindOption(upper, tail, "/LOG:", &settings.log_file_name);
  FindOption(upper, tail, "/IPC:", &settings.ipc_file_name);
  if (!settings.hang_up_mode) {
    FindOption(upper, tail, "/CANCEL:", &settings.cancel_file_name);
    FindOption(upper, tail, "/USER:", &settings.user_name);
    FindOption(upper, tail, "/PASS:", &settings.password);
    FindOption(upper, tail, "/PHONE:", &settings.phone_number);
  }
  return settings;
}
