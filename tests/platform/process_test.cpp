// The process services of issue 15: the password masked in argv, a secret
// cleared, the current-folder path form, and a write to a pipe whose reader
// has gone failing instead of ending the process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// argv in writable memory, as the system hands it to main.
struct Arguments {
  std::vector<std::string> texts;
  std::vector<char*> pointers;
  explicit Arguments(std::vector<std::string> given) : texts(std::move(given)) {
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    PlatformSetArguments(static_cast<int>(texts.size()), pointers.data());
  }
  ~Arguments() { PlatformSetArguments(0, nullptr); }
};

TEST(PlatformClearSecret, ZeroesTheBytes) {
  char secret[] = "topsecret";
  PlatformClearSecret(secret, sizeof secret - 1);
  EXPECT_EQ(std::string(sizeof secret - 1, '\0'), std::string(secret, sizeof secret - 1));
  PlatformClearSecret(nullptr, 0);
}

TEST(PlatformCurrentFolderFile, TheSystemsOwnPathForm) {
#ifdef _WIN32
  EXPECT_EQ(".\\rascancel.qcx", PlatformCurrentFolderFile("rascancel.qcx"));
#else
  EXPECT_EQ("./rascancel.qcx", PlatformCurrentFolderFile("rascancel.qcx"));
#endif
}

#ifndef _WIN32
TEST(PlatformMaskCommandLine, MasksTheRangeInArgvOnly) {
  Arguments args({"/opt/my nelvo", "/ENTRY:x", "/PASS:topsecret", "/USER:u"});
  std::string line = PlatformCommandLine();
  ASSERT_EQ("\"/opt/my nelvo\" /ENTRY:x /PASS:topsecret /USER:u", line);
  size_t offset = line.find("topsecret");
  PlatformMaskCommandLine(offset, 9);
  EXPECT_EQ("/PASS:*********", args.texts[2]);
  EXPECT_EQ("/opt/my nelvo", args.texts[0]);
  EXPECT_EQ("/ENTRY:x", args.texts[1]);
  EXPECT_EQ("/USER:u", args.texts[3]);
  // A range over a separating blank leaves the blank, which is not in argv.
  PlatformMaskCommandLine(line.find("x /"), 3);
  EXPECT_EQ("/ENTRY:*", args.texts[1]);
  EXPECT_EQ("*PASS:*********", args.texts[2]);
}

#include <signal.h>
#include <unistd.h>

#include <cerrno>

TEST(PlatformKeepRunningWithoutReader, WriteToAClosedPipeFails) {
  struct sigaction previous;
  ASSERT_EQ(0, sigaction(SIGPIPE, nullptr, &previous));
  PlatformKeepRunningWithoutReader();
  int ends[2];
  ASSERT_EQ(0, pipe(ends));
  close(ends[0]);
  uint32_t written = 99;
  EXPECT_FALSE(PlatformWriteFile(ends[1], "x", 1, &written));
  EXPECT_EQ(0u, written);
  EXPECT_EQ(109u, PlatformLastError());  // ERROR_BROKEN_PIPE
  close(ends[1]);
  sigaction(SIGPIPE, &previous, nullptr);
}
#else
TEST(PlatformMaskCommandLine, DoesNothingOnWindows) {
  PlatformMaskCommandLine(0, 1000);
  EXPECT_FALSE(PlatformCommandLine().empty());
}
#endif

}  // namespace
