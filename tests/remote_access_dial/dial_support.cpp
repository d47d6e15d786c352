// Support for the in-process dial tests.
#include "tests/remote_access_dial/dial_support.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"
#include "status/ipc_status.h"
#include "status/numbered_files.h"
#include "status/report_channel.h"

namespace {

std::atomic<int> seconds_waited{0};

// A second of the dial's polling becomes 5 ms; shorter waits stay as asked.
void ShortSleep(uint32_t milliseconds) {
  if (milliseconds >= 1000) ++seconds_waited;
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds >= 1000 ? 5 : milliseconds));
}

NELVO_BSTR Text(const std::string& text) {
  return PlatformAllocByteString(text.data(), static_cast<uint32_t>(text.size()));
}

}  // namespace

void DialTest::SetUp() {
  SimulatorTest::SetUp();
  log_ = StateFile("report.log");
  ipc_ = StateFile("status.ipc");
  ErrorStatus status;
  OpenReportChannel(log_, true, status);
  IpcEnabled = 1;
  OpenIpcFile(ipc_, status);
  CancelFileName = StateFile("cancel.qcx");
  DialCallbackAddress = reinterpret_cast<void*>(&RASDIALCALLBACK);
  seconds_waited = 0;
  PlatformSetSleepHook(ShortSleep);
}

void DialTest::TearDown() {
  PlatformSetSleepHook(nullptr);
  CloseAllFiles();
  IpcEnabled = 0;
  std::remove(log_.c_str());
  std::remove(ipc_.c_str());
  std::remove(CancelFileName.c_str());
  SimulatorTest::TearDown();
}

int DialTest::Dial(int index, const std::string& phone, const std::string& user,
                   const std::string& password) {
  return rsDialEntry(index, Text(phone), Text(user), Text(password));
}

std::string DialTest::ReportText() {
  CloseAllFiles();
  return ReadFileText(log_);
}

std::string DialTest::IpcText() {
  CloseAllFiles();
  return ReadFileText(ipc_);
}

std::string DialTest::DialRecord() {
  return ReadFileText(StateFile("dials.txt"));
}

int DialTest::ActiveConnections() {
  return rsActiveConnections();
}

int DialTest::SecondsWaited() {
  return seconds_waited;
}
