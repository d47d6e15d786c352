// Names cut out of fixed-size record fields.
#include <gtest/gtest.h>

#include "remote_access/byte_text.h"

TEST(Text, FieldEndsAtNulOrCapacityAndLosesOuterBlanks) {
  const char field[8] = {' ', 'a', ' ', 'b', ' ', '\0', 'x', 'y'};
  EXPECT_EQ(TrimmedField(field, sizeof(field)), "a b");
  const char full[4] = {' ', '\t', 'z', ' '};  // no NUL: stops at the field's end
  EXPECT_EQ(TrimmedField(full, sizeof(full)), "\tz");
  const char blanks[4] = {' ', ' ', ' ', '\0'};
  EXPECT_EQ(TrimmedField(blanks, sizeof(blanks)), "");
  EXPECT_EQ(NewByteString(""), nullptr);
}
