// The file services and the system error codes they leave, the same on both systems.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

class PlatformFiles : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::current_path() / "platform_file_test";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = (folder_ / "f.bin").string();
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
  std::string path_;
};

TEST_F(PlatformFiles, FailuresGiveTheWindowsCodes) {
  EXPECT_EQ(kNoFile, PlatformOpenFile(path_.c_str(), kAccessRead, kShareNone, kOpenExisting));
  EXPECT_EQ(2u, PlatformLastError());
  std::string in_missing_folder = (folder_ / "none" / "f.bin").string();
  EXPECT_EQ(kNoFile,
            PlatformOpenFile(in_missing_folder.c_str(), kAccessWrite, kShareNone, kOpenAlways));
  EXPECT_EQ(3u, PlatformLastError());
  EXPECT_FALSE(PlatformDeleteFile(path_.c_str()));
  EXPECT_EQ(2u, PlatformLastError());

  PlatformFile held = PlatformOpenFile(path_.c_str(), kAccessWrite, kShareNone, kOpenAlways);
  ASSERT_NE(kNoFile, held);
  EXPECT_EQ(kNoFile, PlatformOpenFile(path_.c_str(), kAccessRead, kShareRead, kOpenExisting));
  EXPECT_EQ(32u, PlatformLastError());
  EXPECT_TRUE(PlatformCloseFile(held));
}

TEST_F(PlatformFiles, OpenNeverTruncatesAndEndOfFileCutsAtThePosition) {
  PlatformFile file = PlatformOpenFile(path_.c_str(), kAccessWrite, kShareNone, kOpenAlways);
  ASSERT_NE(kNoFile, file);
  EXPECT_TRUE(PlatformIsDiskFile(file));
  uint32_t written = 0;
  ASSERT_TRUE(PlatformWriteFile(file, "0123456789", 10, &written));
  EXPECT_EQ(10u, written);
  PlatformCloseFile(file);
  EXPECT_EQ(10u, fs::file_size(path_));

  file = PlatformOpenFile(path_.c_str(), kAccessRead | kAccessWrite, kShareRead | kShareWrite,
                          kOpenAlways);
  ASSERT_NE(kNoFile, file);
  EXPECT_EQ(10u, fs::file_size(path_));
  EXPECT_TRUE(PlatformSeekFile(file, 4));
  EXPECT_TRUE(PlatformSetEndOfFile(file));
  PlatformCloseFile(file);
  EXPECT_EQ(4u, fs::file_size(path_));
}

TEST(PlatformCommandLine, QuotesOnlyAProgramNameWithABlank) {
  char name[] = "/opt/my tools/nelvo";
  char entry[] = "/ENTRY:x";
  char empty[] = "";
  char quoted[] = "/LOG:\"a b\"";
  char* argv[] = {name, entry, empty, quoted, nullptr};
  PlatformSetArguments(4, argv);
#ifdef _WIN32
  EXPECT_FALSE(PlatformCommandLine().empty());  // Windows keeps its own
#else
  EXPECT_EQ("\"/opt/my tools/nelvo\" /ENTRY:x  /LOG:\"a b\"", PlatformCommandLine());
  char plain[] = "nelvo";
  argv[0] = plain;
  PlatformSetArguments(1, argv);
  EXPECT_EQ("nelvo", PlatformCommandLine());
#endif
  PlatformSetArguments(0, nullptr);
}

TEST_F(PlatformFiles, DiskFileOpenTakesOnlyARegularFile) {
  EXPECT_EQ(kNoFile,
            PlatformOpenFile(path_.c_str(), kAccessRead, kShareNone, kOpenExistingDiskFile));
  EXPECT_EQ(2u, PlatformLastError());
  EXPECT_EQ(kNoFile, PlatformOpenFile(folder_.string().c_str(), kAccessRead, kShareNone,
                                      kOpenExistingDiskFile));
  EXPECT_EQ(5u, PlatformLastError());
  PlatformFile file = PlatformOpenFile(path_.c_str(), kAccessWrite, kShareNone, kOpenAlways);
  ASSERT_NE(kNoFile, file);
  PlatformCloseFile(file);
  file = PlatformOpenFile(path_.c_str(), kAccessRead, kShareNone, kOpenExistingDiskFile);
  ASSERT_NE(kNoFile, file);
  // Held without sharing: a second open is refused, as on Windows.
  EXPECT_EQ(kNoFile,
            PlatformOpenFile(path_.c_str(), kAccessRead, kShareNone, kOpenExistingDiskFile));
  EXPECT_EQ(32u, PlatformLastError());
  PlatformCloseFile(file);
}

#ifndef _WIN32
// A FIFO with no writer would block a plain open for reading for ever.
TEST_F(PlatformFiles, DiskFileOpenOfAFifoFailsAtOnce) {
  std::string fifo = (folder_ / "fifo").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_EQ(kNoFile,
            PlatformOpenFile(fifo.c_str(), kAccessRead, kShareNone, kOpenExistingDiskFile));
  EXPECT_EQ(5u, PlatformLastError());
  // Nothing is left waiting on the FIFO: a writer finds no reader.
  int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  EXPECT_EQ(-1, writer);
  if (writer >= 0) close(writer);
}
#endif

}  // namespace
