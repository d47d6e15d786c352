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
    // Assigned in place: a temporary would leave a copy of a password behind.
    value->assign(rest.substr(0, rest.find(' ')));
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
  ClearSecretText(upper);
  return settings;
}

// FindPasswordValue: the value runs from after the name to the next blank.
bool FindPasswordValue(std::string_view tail, size_t* offset, size_t* length) {
  const std::string_view name = "/PASS:";
  std::string upper = UpperCase(tail);
  size_t found = upper.find(name);
  ClearSecretText(upper);
  if (found == std::string::npos) return false;
  std::string_view rest = tail.substr(found + name.size());
  *offset = found + name.size();
  *length = rest.substr(0, rest.find(' ')).size();
  return *length > 0;
}

void ClearPassword(RunSettings& settings) {
  ClearSecretText(settings.password);
}
