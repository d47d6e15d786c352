// Options of the command line.
#pragma once

#include <string>
#include <string_view>

#include "remote_access/dial_values.h"

// What one run is asked to do.
struct RunSettings {
  bool hang_up_mode = false;
  std::string entry_name;
  std::string log_file_name;
  std::string ipc_file_name;
  std::string cancel_file_name = DefaultCancelFileName();
  std::string user_name;
  std::string password;
  std::string phone_number;
};

// Looks for the first occurrence of the option name (upper case) anywhere
// in the upper-cased tail; its value runs from after the name to the next
// blank, taken from the unchanged tail. False when the name is absent.
bool FindOption(std::string_view upper_tail, std::string_view tail, std::string_view name,
                std::string* value);
// Reads every option; the dial-only ones are left at their defaults in
// hang-up mode. The upper-cased copy of the tail is cleared before return.
RunSettings ReadRunSettings(std::string_view tail);
// Where the value of "/PASS:" lies in the tail, found as ReadRunSettings
// finds it but in both modes: false when there is no non-empty value.
bool FindPasswordValue(std::string_view tail, size_t* offset, size_t* length);
// Clears the password of the settings once the dial no longer needs it.
void ClearPassword(RunSettings& settings);
