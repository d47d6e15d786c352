// The report channel and the IPC file on real files, in a folder of their own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "status/ipc_status.h"
#include "status/numbered_files.h"
#include "status/report_channel.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class StatusFiles : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::current_path() / "status_files_test";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::current_path(folder_);
  }
  void TearDown() override {
    CloseAllFiles();
    IpcEnabled = 0;
    fs::current_path(folder_.parent_path());
    fs::remove_all(folder_);
  }
  fs::path folder_;
};

TEST_F(StatusFiles, LogIsEmptiedAndTakesEachLineWithCrLf) {
  WriteAll("run.log", std::string(500, 'o'));
  ErrorStatus status;
  OpenReportChannel("run.log", true, status);
  WriteReportLine(status, {"Handle :", " 7 "});
  WriteReportLine(status, {});
  WriteReportLine(status, {""});
  CloseAllFiles(status);
  EXPECT_EQ(0, status.value);
  EXPECT_EQ("Handle : 7 \r\n\r\n\r\n", ReadAll("run.log"));
}

TEST_F(StatusFiles, LogHeldElsewhereIsNeitherWrittenNorWiped) {
  WriteAll("held.log", "earlier run\r\n");
  PlatformFile holder = PlatformOpenFile("held.log", kAccessWrite, kShareNone, kOpenExisting);
  ASSERT_NE(kNoFile, holder);
  ErrorStatus status;
  OpenReportChannel("held.log", true, status);
  EXPECT_EQ(70, status.value);
  WriteReportLine(status, {"lost"});
  EXPECT_EQ(52, status.value);
  PlatformCloseFile(holder);
  EXPECT_EQ("earlier run\r\n", ReadAll("held.log"));
}

TEST_F(StatusFiles, UnusableNamesAreNeverOpened) {
  // The first 255 bytes of this 256-byte name name an existing file, which
  // must not be opened (and emptied) in its place.
  WriteAll("existing1.txt", "keep");
  std::string name;
  for (int i = 0; i < 121; ++i) name += "./";
  name += "existing1.txt";
  ASSERT_EQ(255u, name.size());
  PlatformFile probe = PlatformOpenFile(name.c_str(), kAccessRead, kShareRead, kOpenExisting);
  ASSERT_NE(kNoFile, probe);
  PlatformCloseFile(probe);
  for (const std::string& bad : {name + "x", std::string(), std::string("a*.log"),
                                 std::string("a?.log"), std::string("a\0b", 3)}) {
    ErrorStatus status;
    OpenIpcFile(bad, status);
    EXPECT_EQ(64, status.value) << bad;
    EXPECT_FALSE(IsFileOpen(kIpcFile));
    ErrorStatus delete_status;
    DeleteNamedFile(bad, delete_status);
    EXPECT_EQ(64, delete_status.value);
  }
  ErrorStatus log_status;
  OpenReportChannel(name + "x", true, log_status);
  EXPECT_EQ(64, log_status.value);
  EXPECT_FALSE(IsFileOpen(kReportFile));
  EXPECT_EQ("keep", ReadAll("existing1.txt"));
  EXPECT_EQ(1, std::distance(fs::directory_iterator("."), fs::directory_iterator()));
}

TEST_F(StatusFiles, IpcRecordOverwritesOnlyTheFirstSixtyFourBytes) {
  std::string older(64, 'a');
  older += std::string(36, 'z');
  WriteAll("status.ipc", older);
  ErrorStatus status;
  WriteIpcStatus("before enabled", status);
  EXPECT_EQ(older, ReadAll("status.ipc"));
  OpenIpcFile("status.ipc", status);
  IpcEnabled = 1;
  WriteIpcStatus("Go", status);
  // Another program may read the record while the run goes on.
  PlatformFile reader =
      PlatformOpenFile("status.ipc", kAccessRead, kShareRead | kShareWrite, kOpenExisting);
  EXPECT_NE(kNoFile, reader);
  if (reader != kNoFile) PlatformCloseFile(reader);
  WriteIpcStatus("ERROR : RAS Phone Book Entry NOT Specified", status);
  CloseAllFiles(status);
  EXPECT_EQ(0, status.value);
  std::string expected = "ERROR : RAS Phone Book Entry NOT Specified";
  expected += std::string(64 - expected.size(), ' ') + std::string(36, 'z');
  EXPECT_EQ(expected, ReadAll("status.ipc"));
}

TEST_F(StatusFiles, IpcInMissingFolderGives76ThenWritesNothing) {
  ErrorStatus status;
  OpenIpcFile("no_such_folder/status.ipc", status);
  EXPECT_EQ(76, status.value);
  IpcEnabled = 1;
  WriteIpcStatus("Go", status);
  EXPECT_EQ(52, status.value);
  EXPECT_FALSE(fs::exists("no_such_folder"));
}

TEST_F(StatusFiles, NumberRulesAndProbe) {
  ErrorStatus status;
  OpenIpcFile("one.ipc", status);
  OpenIpcFile("two.ipc", status);
  EXPECT_EQ(55, status.value);
  EXPECT_FALSE(fs::exists("two.ipc"));
  ErrorStatus line_status;
  WriteReportLine(line_status, {"x"});
  EXPECT_EQ(52, line_status.value);

  ErrorStatus probe;
  EXPECT_FALSE(OpenForReading(kCancelProbeFile, "cancel.qcx", probe));
  EXPECT_EQ(53, probe.value);
  EXPECT_FALSE(fs::exists("cancel.qcx"));
  WriteAll("cancel.qcx", "");
  probe.value = 0;
  EXPECT_TRUE(OpenForReading(kCancelProbeFile, "cancel.qcx", probe));
  EXPECT_EQ(0, probe.value);
  CloseNumberedFile(kCancelProbeFile, probe);
  CloseNumberedFile(kCancelProbeFile, probe);
  EXPECT_EQ(0, probe.value);

  DeleteNamedFile("cancel.qcx", probe);
  EXPECT_EQ(0, probe.value);
  DeleteNamedFile("cancel.qcx", probe);
  EXPECT_EQ(53, probe.value);
}

TEST_F(StatusFiles, CallbackWritesWhileTheMainThreadProbes) {
  ErrorStatus status;
  OpenReportChannel("run.log", true, status);
  OpenIpcFile("s.ipc", status);
  IpcEnabled = 1;
  WriteAll("cancel.qcx", "");
  std::thread callback([] {
    ErrorStatus own;
    for (int i = 0; i < 200; ++i) {
      WriteReportLine(own, {"Dialing"});
      WriteIpcStatus(i % 2 ? "Dialing" : " 6", own);
    }
    EXPECT_EQ(0, own.value);
  });
  for (int i = 0; i < 200; ++i) {
    ErrorStatus probe;
    EXPECT_TRUE(OpenForReading(kCancelProbeFile, "cancel.qcx", probe));
    CloseNumberedFile(kCancelProbeFile, probe);
  }
  callback.join();
  CloseAllFiles(status);
  std::string expected;
  for (int i = 0; i < 200; ++i) expected += "Dialing\r\n";
  EXPECT_EQ(expected, ReadAll("run.log"));
  EXPECT_EQ("Dialing" + std::string(57, ' '), ReadAll("s.ipc"));
}

}  // namespace
