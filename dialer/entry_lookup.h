// The entry lookup: finds the named phone-book entry in both modes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "status/error_status.h"

// Finds the entry whose trimmed name matches the given one without regard
// to case; the last match wins. Returns its position counted from 1, or 0
// after reporting an empty phone book or a missing entry.
int32_t LookUpEntry(std::string_view entry_name, ErrorStatus& status);
