// Listing the phone book against the recording stub: how often the service
// is asked, positions, trimming, and counts that do not fit the list.
#include <gtest/gtest.h>

#include "remote_access/entry_names.h"
#include "remote_access/nelvoras.h"
#include "tests/remote_access/stub_fixture.h"

using StubPhoneBook = StubTest;

TEST_F(StubPhoneBook, EmptyAndSingleEntryNeedOneRequest) {
  EXPECT_EQ(rsAvailableEntries(), 0);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "<null>");
  SetStubSetting("RASSTUB_ENTRIES", "Office");
  EXPECT_EQ(rsAvailableEntries(), 1);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "Office");
  EXPECT_EQ(StubLog(),
            "load\nenum-entries 264\nfree\nload\nenum-entries 264\nfree\n"
            "load\nenum-entries 264\nfree\nload\nenum-entries 264\nfree\n");
}

TEST_F(StubPhoneBook, ListGrowsOnceToTheCountGiven) {
  RasInitDLL();
  SetStubSetting("RASSTUB_ENTRIES", "First|Second");
  EntryList entries;
  EXPECT_EQ(LoadEntryNames(entries), 2);
  EXPECT_EQ(entries.size(), 2u);
  SetStubSetting("RASSTUB_ENTRIES", NumberedNames("E", 200));
  EXPECT_EQ(LoadEntryNames(entries), 200);
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "E1");
  EXPECT_EQ(TakeOrNull(rsGetEntryName(200)), "E200");
  EXPECT_EQ(StubLog(),
            "load\nenum-entries 264\nenum-entries 528\n"
            "enum-entries 264\nenum-entries 52800\n"
            "enum-entries 264\nenum-entries 52800\nenum-entries 264\nenum-entries 52800\n");
}

TEST_F(StubPhoneBook, NamesLoseOuterBlanksOnly) {
  RasInitDLL();
  SetStubSetting("RASSTUB_ENTRIES", "  Two  Words \t |   |\tTab");
  EXPECT_EQ(TakeOrNull(rsGetEntryName(1)), "Two  Words \t");
  EXPECT_EQ(TakeOrNull(rsGetEntryName(2)), "<null>");
  EXPECT_EQ(TakeOrNull(rsGetEntryName(3)), "\tTab");
}

TEST_F(StubPhoneBook, FailedRequestsReadAsEmpty) {
  RasInitDLL();
  SetStubSetting("RASSTUB_ENTRIES", "A|B");
  // An entry added between the two requests, then a plain failure.
  SetStubSetting("RASSTUB_ENUM_SCRIPT", "-;603,3;87,0");
  EXPECT_EQ(rsAvailableEntries(), 0);
  EXPECT_EQ(rsAvailableEntries(), 0);
  EXPECT_EQ(StubLog(), "load\nenum-entries 264\nenum-entries 528\nenum-entries 264\n");
}

// The stub counts its calls in the log, so emptying the log replays the script.
TEST_F(StubPhoneBook, CountsThatCannotBeHadReadAsEmpty) {
  RasInitDLL();
  EntryList entries;
  for (const char* script : {"603,0", "603,4294967295", "603,2147483648", "603,16000000"}) {
    ForgetStubCalls();
    SetStubSetting("RASSTUB_ENUM_SCRIPT", script);
    EXPECT_EQ(LoadEntryNames(entries), 0) << script;
    EXPECT_EQ(StubLog(), "enum-entries 264\n") << script;
  }
}

TEST_F(StubPhoneBook, CountBeyondTheRecordsIsCutToTheList) {
  RasInitDLL();
  SetStubSetting("RASSTUB_ENTRIES", "A|B");
  SetStubSetting("RASSTUB_ENUM_SCRIPT", "0,50");
  EntryList entries;
  EXPECT_EQ(LoadEntryNames(entries), 1);
  SetStubSetting("RASSTUB_ENUM_SCRIPT", "-;0,50");
  for (int position : {2, 3}) {
    ForgetStubCalls();
    EXPECT_EQ(LoadEntryNames(entries), 2);
    ForgetStubCalls();
    EXPECT_EQ(TakeOrNull(rsGetEntryName(position)), position == 2 ? "B" : "<null>");
  }
}
