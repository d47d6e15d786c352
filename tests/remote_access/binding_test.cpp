// The library binding against the recording stub, a stub that lacks the
// status function, and a folder with no remote-access library at all.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "remote_access/binding.h"
#include "remote_access/connections.h"
#include "remote_access/entry_names.h"
#include "remote_access/nelvoras.h"
#include "tests/remote_access/stub_fixture.h"

namespace {

#ifdef _WIN32
const char kLibraryFile[] = "rasapi32.dll";
const char kStubFile[] = "rasstub.dll";
#else
const char kLibraryFile[] = "librasapi32.so";
const char kStubFile[] = "librasstub.so";
#endif

}  // namespace

using StubBinding = StubTest;

TEST_F(StubBinding, HeldLibraryIsLoadedOnceAndFreedOnce) {
  uintptr_t first = RasInitDLL();
  ASSERT_NE(first, 0u);
  EXPECT_EQ(RasInitDLL(), first);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(RasLibraryHandle), first);

  // Calls made while the library is held neither load nor free it.
  SetStubSetting("RASSTUB_ENTRIES", "A|B");
  EXPECT_EQ(rsAvailableEntries(), 2);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(RasLibraryHandle), first);

  RasUnloadDLL();
  EXPECT_EQ(RasLibraryHandle, nullptr);
  RasUnloadDLL();
  EXPECT_EQ(StubLog(), "load\nenum-entries 264\nenum-entries 528\nfree\n");
}

TEST_F(StubBinding, EveryCallLoadsAndFreesTheLibraryWhenNotHeld) {
  SetStubSetting("RASSTUB_ENTRIES", "A|B");
  SetStubSetting("RASSTUB_CONNECTIONS", "A");
  EXPECT_EQ(rsAvailableEntries(), 2);
  EXPECT_EQ(RasLibraryHandle, nullptr);
  EXPECT_EQ(rsGetConnectionHandle(1), 1001);
  EXPECT_EQ(RasLibraryHandle, nullptr);
  EXPECT_EQ(StubLog(),
            "load\nenum-entries 264\nfree\n"
            "load\nenum-entries 528\nfree\n"
            "load\nenum-connections 41200\nfree\n");
}

TEST_F(StubBinding, ErrorCodesPassThroughAndTheLibraryIsStillFreed) {
  RASDIALPARAMS params = {};
  int32_t stored = 0;
  RASDIALEXTENSIONS extensions = {};
  HRASCONN handle = 0;
  RASCONNSTATUS status = {};
  EXPECT_EQ(CallRasHangUp(77), RAS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(CallRasGetConnectStatus(77, &status), RAS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(CallRasGetEntryDialParams(nullptr, &params, &stored),
            RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(CallRasDial(&extensions, nullptr, &params, 0, nullptr, &handle), RAS_ERROR_LINE_BUSY);
  EXPECT_EQ(RasLibraryHandle, nullptr);

  SetStubSetting("RASSTUB_ENUM_SCRIPT", "87,0");
  RASCONN connection = {};
  uint32_t size = sizeof(connection), count = 0;
  connection.dwSize = sizeof(connection);
  EXPECT_EQ(CallRasEnumConnections(&connection, &size, &count), 87);
  EXPECT_EQ(StubLog(),
            "load\nhangup 77\nfree\nload\nstatus 77\nfree\nload\ndial-params\nfree\n"
            "load\ndial\nfree\nload\nenum-connections 412\nfree\n");
}

using StubWithoutStatus = StubTest;

TEST_F(StubWithoutStatus, MissingFunctionGivesZeroAndFreesTheLibrary) {
  RASCONNSTATUS status = {};
  status.dwSize = sizeof(status);
  bool available = true;
  EXPECT_EQ(TryCallRasGetConnectStatus(1001, &status, &available), 0);
  EXPECT_FALSE(available);
  EXPECT_EQ(RasLibraryHandle, nullptr);
  EXPECT_EQ(StubLog(), "load\nfree\n");
}

TEST_F(StubWithoutStatus, HangUpStopsAtOnceWithoutTheStatusFunction) {
  SetStubSetting("RASSTUB_CONNECTIONS", "A");
  EXPECT_EQ(rsHangUpConnection(1001), 0);
  EXPECT_EQ(rsHangUpConnection(5), RAS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(StubLog(), "load\nhangup 1001\nfree\nload\nfree\nload\nhangup 5\nfree\nload\nfree\n");
}

TEST(MissingLibrary, EverythingAnswersZeroOrEmpty) {
  std::filesystem::remove(kLibraryFile);
  EXPECT_EQ(RasInitDLL(), 0u);
  EXPECT_EQ(RasLibraryHandle, nullptr);
  RasUnloadDLL();

  EXPECT_EQ(rsAvailableEntries(), 0);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "<null>");
  EXPECT_EQ(rsActiveConnections(), 0);
  EXPECT_EQ(TakeOrNull(rsGetConnectionName(1)), "<null>");
  EXPECT_EQ(rsGetConnectionHandle(1), 0);
  // Without the library nothing can be hung up, and the call must say so
  // at once rather than read the missing status as "still connected".
  EXPECT_EQ(rsHangUpConnection(1001), 127);

  RASDIALPARAMS params = {};
  int32_t stored = 0;
  RASDIALEXTENSIONS extensions = {};
  HRASCONN handle = 0;
  EXPECT_EQ(CallRasGetEntryDialParams(nullptr, &params, &stored), 0);
  EXPECT_EQ(CallRasDial(&extensions, nullptr, &params, 0, nullptr, &handle), 0);
  EXPECT_EQ(RasLibraryHandle, nullptr);
}

TEST(MissingLibrary, NextCallTriesToLoadAgain) {
  std::filesystem::remove(kLibraryFile);
  EXPECT_EQ(RasInitDLL(), 0u);
  std::filesystem::copy_file(kStubFile, kLibraryFile,
                             std::filesystem::copy_options::overwrite_existing);
  SetStubSetting("RASSTUB_ENTRIES", "Late");
  EXPECT_EQ(rsAvailableEntries(), 1);
  EXPECT_NE(RasInitDLL(), 0u);
  RasUnloadDLL();
  SetStubSetting("RASSTUB_ENTRIES", "");
  std::filesystem::remove(kLibraryFile);
}
