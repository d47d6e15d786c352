// The three ways numbers appear in report lines and status texts.
#pragma once

#include <cstdint>
#include <string>

// A blank for zero or more, a minus sign below zero, then the digits: " 0", "-5".
std::string SignPositionForm(int32_t value);
// The sign-position form and one trailing blank: " 12 ".
std::string ReportNumberForm(int32_t value);
// The digits of the absolute value alone: -668 gives "668".
std::string BareDigits(int32_t value);
