// The cancel probe counts only a regular file it can open for reading, as
// on Windows, and never waits: a folder or a FIFO at the cancel path is no
// request to cancel.
#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "remote_access/dial_values.h"
#include "tests/remote_access_dial/dial_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char kSlowOffice[] = "[Office]\nPhoneNumber=1\nStepMs=15\n";

TEST_F(DialTest, FolderAtTheCancelPathDoesNotCancel) {
  WritePhoneBook(kSlowOffice);
  std::filesystem::create_directory(CancelFileName);
  EXPECT_EQ(Dial(1, "", "u", "p"), 0);
  EXPECT_GT(SecondsWaited(), 2);
  std::filesystem::remove(CancelFileName);
}

#ifndef _WIN32
TEST_F(DialTest, FifoAtTheCancelPathNeitherBlocksNorCancels) {
  WritePhoneBook(kSlowOffice);
  ASSERT_EQ(mkfifo(CancelFileName.c_str(), 0600), 0);
  std::future<int> dial = std::async(std::launch::async, [this] { return Dial(1, "", "u", "p"); });
  if (dial.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    // A probe stuck in open() is let go by a writer, so the test can end.
    int writer = open(CancelFileName.c_str(), O_WRONLY | O_NONBLOCK);
    ADD_FAILURE() << "the dial blocked on the FIFO";
    dial.wait();
    if (writer >= 0) close(writer);
  }
  EXPECT_EQ(dial.get(), 0);
  EXPECT_GT(SecondsWaited(), 2);
  std::filesystem::remove(CancelFileName);
}
#endif

}  // namespace
