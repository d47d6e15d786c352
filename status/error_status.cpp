// Error numbers and the one table that maps system error codes to them.
#include "status/error_status.h"

namespace {

struct SystemErrorRow {
  int number;
  uint32_t codes[8];  // 0 ends a row early
};

// Codes of 40 and above that no row names give 75.
const SystemErrorRow kSystemErrors[] = {
    {7, {8, 14}},
    {27, {28}},
    {51, {6, 11, 12, 13, 22, 24}},
    {53, {2, 18}},
    {61, {39}},
    {62, {38}},
    {67, {4}},
    {68, {15, 20}},
    {70, {5, 19, 32, 33, 36}},
    {71, {21}},
    {72, {23, 25, 26, 27, 29, 30, 31, 34}},
    {74, {17}},
    {75, {1, 16, 35, 37}},
    {76, {3}},
    {241, {7, 9, 10}},
};

}  // namespace

// SetErrorStatus: stores the number of a failure.
void SetErrorStatus(ErrorStatus& status, int number) {
  status.value = number != 0 ? number : 51;
}

// MapSystemError: looks the code up; 0 and unlisted codes below 40 give 0.
int MapSystemError(uint32_t code) {
  if (code >= 40) return 75;
  for (const SystemErrorRow& row : kSystemErrors) {
    for (uint32_t listed : row.codes) {
      if (listed != 0 && listed == code) return row.number;
    }
  }
  return 0;
}
