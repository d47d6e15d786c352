#include <gtest/gtest.h>

#include <string>

#include "dialer/command_tail.h"
#include "dialer/options.h"
#include "status/text.h"

namespace {

TEST(CommandTail, ProgramNameForms) {
  EXPECT_EQ("/ENTRY:a  ", CommandTail("nelvo.exe   /ENTRY:a  "));
  EXPECT_EQ("/ENTRY:a", CommandTail("\"C:\\My Tools\\nelvo.exe\"  /ENTRY:a"));
  EXPECT_EQ("x/ENTRY:a", CommandTail("\"nelvo\"x/ENTRY:a"));
  EXPECT_EQ("nelvo /ENTRY:a", CommandTail("   nelvo /ENTRY:a"));
  EXPECT_EQ("\t/ENTRY:a", CommandTail("nelvo\t/ENTRY:a"));
  EXPECT_EQ("", CommandTail("nelvo"));
  EXPECT_EQ("", CommandTail("nelvo   "));
  EXPECT_EQ("", CommandTail(""));
  // A name holding bytes above 127 still ends at the blank.
  EXPECT_EQ("/LOG:x", CommandTail("n\xe9lvo\x84 /LOG:x"));
}

TEST(CommandTail, UnclosedQuoteGivesAnEmptyTail) {
  EXPECT_EQ("", CommandTail("\"C:\\nelvo.exe /ENTRY:a /USER:b"));
  EXPECT_EQ("", CommandTail("\""));
}

TEST(FindOption, FirstOccurrenceAnywhereWithValueToTheBlank) {
  std::string tail = "/entry:First /ENTRY:second /log:a/ipc:B\tc /user:";
  std::string upper = UpperCase(tail);
  std::string value = "unchanged";
  EXPECT_TRUE(FindOption(upper, tail, "/ENTRY:", &value));
  EXPECT_EQ("First", value);
  EXPECT_TRUE(FindOption(upper, tail, "/LOG:", &value));
  EXPECT_EQ("a/ipc:B\tc", value);
  EXPECT_TRUE(FindOption(upper, tail, "/IPC:", &value));
  EXPECT_EQ("B\tc", value);
  EXPECT_TRUE(FindOption(upper, tail, "/USER:", &value));
  EXPECT_EQ("", value);
  value = "unchanged";
  EXPECT_FALSE(FindOption(upper, tail, "/PASS:", &value));
  EXPECT_EQ("unchanged", value);
}

TEST(ReadRunSettings, DialOptionsKeepTheirCase) {
  RunSettings s = ReadRunSettings(
      "/Entry:\"My Isp\" /USER:Joe /pass:S3cret /Phone:555-1 /cancel:c.qcx /LOG:l /IPC:i");
  EXPECT_FALSE(s.hang_up_mode);
  EXPECT_EQ("\"My", s.entry_name);
  EXPECT_EQ("Joe", s.user_name);
  EXPECT_EQ("S3cret", s.password);
  EXPECT_EQ("555-1", s.phone_number);
  EXPECT_EQ("c.qcx", s.cancel_file_name);
  EXPECT_EQ("l", s.log_file_name);
  EXPECT_EQ("i", s.ipc_file_name);
}

TEST(ReadRunSettings, HangUpInsideAValueSkipsTheDialOptions) {
  RunSettings s = ReadRunSettings("/LOG:c:\\x/hangup.log /ENTRY:isp /USER:u /CANCEL:k");
  EXPECT_TRUE(s.hang_up_mode);
  EXPECT_EQ("c:\\x/hangup.log", s.log_file_name);
  EXPECT_EQ("isp", s.entry_name);
  EXPECT_EQ("", s.user_name);
  EXPECT_EQ(DefaultCancelFileName(), s.cancel_file_name);
}

// The default names the file rascancel.qcx in the current folder, in the
// system's own path form: on POSIX a backslash would be part of the name.
TEST(ReadRunSettings, DefaultCancelFileIsInTheCurrentFolder) {
#ifdef _WIN32
  EXPECT_EQ(".\\rascancel.qcx", ReadRunSettings("/ENTRY:isp").cancel_file_name);
#else
  EXPECT_EQ("./rascancel.qcx", ReadRunSettings("/ENTRY:isp").cancel_file_name);
#endif
}

TEST(ReadRunSettings, CodePageLettersMatchWithoutRegardToCase) {
  // "/ENTRY:" spelt with no special letters still finds its value, and a
  // value's bytes above 127 come back unchanged.
  RunSettings s = ReadRunSettings("/eNtRy:\x84\x94X /cancel:");
  EXPECT_EQ("\x84\x94X", s.entry_name);
  EXPECT_EQ("", s.cancel_file_name);
}

TEST(ReadRunSettings, HugeCommandLineIsReadSafely) {
  std::string tail(32000, 'a');
  tail.replace(100, 7, "/ENTRY:");
  tail += " /USER:";
  RunSettings s = ReadRunSettings(tail);
  EXPECT_EQ(32000u - 107u, s.entry_name.size());
  EXPECT_EQ("", s.user_name);
  tail.back() = '/';
  tail += "PASS:";
  EXPECT_EQ("", ReadRunSettings(tail).password);
}

// The place of the /PASS: value, for masking it in argv: found as the
// option search finds it, also in hang-up mode, where it is not read.
TEST(FindPasswordValue, WhereTheValueLies) {
  size_t offset = 0;
  size_t length = 0;
  std::string tail = "/ENTRY:x /pass:Sec1 /USER:u";
  ASSERT_TRUE(FindPasswordValue(tail, &offset, &length));
  EXPECT_EQ("Sec1", tail.substr(offset, length));
  tail = "/HANGUP /ENTRY:x /PASS:x/ENTRY:abc";
  ASSERT_TRUE(FindPasswordValue(tail, &offset, &length));
  EXPECT_EQ("x/ENTRY:abc", tail.substr(offset, length));
  EXPECT_FALSE(FindPasswordValue("/PASS: /USER:u", &offset, &length));
  EXPECT_FALSE(FindPasswordValue("/ENTRY:x", &offset, &length));
  EXPECT_FALSE(FindPasswordValue("/USER:u /PASS:", &offset, &length));
}

TEST(ClearPassword, EmptiesOnlyThePassword) {
  RunSettings s = ReadRunSettings("/ENTRY:x /USER:u /PASS:secret /PHONE:1");
  ClearPassword(s);
  EXPECT_EQ("", s.password);
  EXPECT_EQ("u", s.user_name);
}

}  // namespace

