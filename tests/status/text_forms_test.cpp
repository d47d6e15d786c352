#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "status/error_status.h"
#include "status/ipc_status.h"
#include "status/number_forms.h"
#include "status/text.h"

TEST(NumberForms, SignPositionReportAndBareDigits) {
  EXPECT_EQ(" 0", SignPositionForm(0));
  EXPECT_EQ(" 6", SignPositionForm(6));
  EXPECT_EQ("-668", SignPositionForm(-668));
  EXPECT_EQ("-2147483648", SignPositionForm(INT32_MIN));
  EXPECT_EQ(" 0 ", ReportNumberForm(0));
  EXPECT_EQ(" 12 ", ReportNumberForm(12));
  EXPECT_EQ("-3 ", ReportNumberForm(-3));
  EXPECT_EQ("668", BareDigits(-668));
  EXPECT_EQ("0", BareDigits(0));
  EXPECT_EQ("2147483648", BareDigits(INT32_MIN));
}

TEST(UpperCase, LettersAndTheSevenCodePageLettersOnly) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  std::string upper = UpperCase(all);
  ASSERT_EQ(256u, upper.size());
  for (int byte = 0; byte < 256; ++byte) {
    int expected = byte;
    if (byte >= 'a' && byte <= 'z') expected = byte - 32;
    const int lower[] = {132, 148, 129, 130, 164, 134, 135};
    const int capital[] = {142, 153, 154, 144, 165, 143, 128};
    for (int i = 0; i < 7; ++i) {
      if (byte == lower[i]) expected = capital[i];
    }
    EXPECT_EQ(expected, static_cast<unsigned char>(upper[static_cast<size_t>(byte)])) << byte;
  }
}

TEST(TrimBlanks, RemovesOnlyByte32AtBothEnds) {
  EXPECT_EQ("a b", TrimBlanks("  a b  "));
  EXPECT_EQ("\ta\t", TrimBlanks(" \ta\t "));
  EXPECT_EQ("", TrimBlanks("    "));
}

TEST(MapSystemError, EveryRowOfTheTable) {
  const struct {
    uint32_t code;
    int number;
  } cases[] = {{8, 7},   {14, 7},  {28, 27},  {6, 51},  {24, 51}, {2, 53},   {18, 53},
               {39, 61}, {38, 62}, {4, 67},   {15, 68}, {20, 68}, {5, 70},   {32, 70},
               {36, 70}, {21, 71}, {23, 72},  {31, 72}, {34, 72}, {17, 74},  {1, 75},
               {37, 75}, {40, 75}, {112, 75}, {3, 76},  {7, 241}, {10, 241}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(c.number, MapSystemError(c.code)) << c.code;
}

TEST(ErrorStatus, StoresTheLatestFailureAndNeverZero) {
  ErrorStatus status;
  SetErrorStatus(status, 53);
  SetErrorStatus(status, 52);
  EXPECT_EQ(52, status.value);
  SetErrorStatus(status, MapSystemError(0));
  EXPECT_EQ(51, status.value);
}

TEST(IpcStatusRecord, PaddedOrCutToSixtyFourBytes) {
  char record[kIpcRecordLength];
  FillIpcStatusRecord("Dialing", record);
  EXPECT_EQ("Dialing" + std::string(57, ' '), std::string(record, sizeof(record)));
  FillIpcStatusRecord(SignPositionForm(6), record);
  EXPECT_EQ(" 6" + std::string(62, ' '), std::string(record, sizeof(record)));
  std::string longer(70, 'x');
  longer[63] = 'y';
  FillIpcStatusRecord(longer, record);
  EXPECT_EQ(std::string(63, 'x') + "y", std::string(record, sizeof(record)));
}
