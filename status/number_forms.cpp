// Number forms.
#include "status/number_forms.h"

namespace {

// Decimal digits of a magnitude, no leading zeros; the widest value fits.
std::string Digits(int64_t magnitude) {
  return std::to_string(magnitude);
}

int64_t Magnitude(int32_t value) {
  int64_t wide = value;
  return wide < 0 ? -wide : wide;
}

}  // namespace

// SignPositionForm: sign place, then digits.
std::string SignPositionForm(int32_t value) {
  return (value < 0 ? "-" : " ") + Digits(Magnitude(value));
}

// ReportNumberForm: sign place, digits, one blank.
std::string ReportNumberForm(int32_t value) {
  return SignPositionForm(value) + " ";
}

// BareDigits: digits of the absolute value.
std::string BareDigits(int32_t value) {
  return Digits(Magnitude(value));
}
