// The command line without the program name.
#pragma once

#include <string_view>

// The tail of a command line, kept verbatim (quotes and trailing blanks
// stay). A quote opened around the program name and never closed leaves
// an empty tail.
std::string_view CommandTail(std::string_view command_line);
