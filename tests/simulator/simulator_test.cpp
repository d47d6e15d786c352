// The simulated service called in-process as the dialer calls it: through the
// system loader, resolving each function by name.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "tests/simulator/sim_support.h"

namespace {

// Enumerates entries as the dialer does: one record first, then as many as
// the service asked for. Returns both results and the names.
struct EntryListing {
  uint32_t first = 0, second = 0, first_size = 0, first_count = 0;
  std::string first_name;  // the one record of the first request
  std::vector<std::string> names;
};

EntryListing ListEntries(const RasLibrary& ras) {
  EntryListing listing;
  std::vector<RASENTRYNAME> entries(1);
  entries[0].dwSize = sizeof(RASENTRYNAME);
  uint32_t size = sizeof(RASENTRYNAME), count = 0;
  listing.first = ras.RasEnumEntriesA(nullptr, nullptr, entries.data(), &size, &count);
  listing.first_size = size;
  listing.first_count = count;
  listing.first_name = entries[0].szEntryName;
  if (listing.first == RAS_ERROR_BUFFER_TOO_SMALL) {
    entries.assign(count, RASENTRYNAME());
    entries[0].dwSize = sizeof(RASENTRYNAME);
    size = count * sizeof(RASENTRYNAME);
    listing.second = ras.RasEnumEntriesA(nullptr, nullptr, entries.data(), &size, &count);
    if (listing.second != 0) return listing;
  } else if (listing.first != 0) {
    return listing;
  }
  for (uint32_t i = 0; i < count; i++) listing.names.push_back(entries[i].szEntryName);
  return listing;
}

using EntriesTest = SimulatorTest;

TEST_F(EntriesTest, GrowsThroughBufferTooSmallWithOneTwoAndTwoHundredEntries) {
  EXPECT_EQ(ListEntries(ras_).first, 0u) << "a missing phone book is an empty one";
  const std::string long_name(256, 'L');
  for (int total : {1, 2, 200}) {
    std::string book;
    std::vector<std::string> expected;
    for (int i = 0; i < total; i++) {
      // Names kept byte for byte: blanks at the edges, names differing only in case.
      std::string name = i == 0 ? "  Office " : i == 1 ? "office" : "Entry " + std::to_string(i);
      if (i == 199) name = long_name;
      expected.push_back(name);
      book += "[" + name + "]\nPhoneNumber=" + std::to_string(i) + "\n";
    }
    WritePhoneBook(book);
    EntryListing listing = ListEntries(ras_);
    if (total == 1) {
      EXPECT_EQ(listing.first, 0u);
      EXPECT_EQ(listing.first_count, 1u);
    } else {
      EXPECT_EQ(listing.first, RAS_ERROR_BUFFER_TOO_SMALL) << total;
      EXPECT_EQ(listing.first_size, total * sizeof(RASENTRYNAME)) << total;
      EXPECT_EQ(listing.first_count, static_cast<uint32_t>(total));
      EXPECT_EQ(listing.second, 0u) << total;
      EXPECT_EQ(listing.first_name, expected[0]) << "what fits is filled";
    }
    EXPECT_EQ(listing.names, expected) << total;
  }
}

TEST_F(EntriesTest, RejectsWrongSizesAndMissingPointers) {
  WritePhoneBook("[A]\n");
  RASENTRYNAME entry = {};
  uint32_t size = sizeof entry, count = 0;
  entry.dwSize = 260;
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, &entry, &size, &count), RAS_ERROR_INVALID_SIZE);
  entry.dwSize = sizeof entry;
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, &entry, nullptr, &count),
            RAS_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, &entry, &size, nullptr),
            RAS_ERROR_INVALID_PARAMETER);
  size = 0;
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, nullptr, &size, &count),
            RAS_ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(size, sizeof entry);

  RASCONN conn = {};
  conn.dwSize = 400;
  size = sizeof conn;
  EXPECT_EQ(ras_.RasEnumConnectionsA(&conn, &size, &count), RAS_ERROR_INVALID_SIZE);
  RASCONNSTATUS status = {};
  status.dwSize = 156;
  EXPECT_EQ(ras_.RasGetConnectStatusA(1, &status), RAS_ERROR_INVALID_SIZE);
  EXPECT_EQ(ras_.RasGetConnectStatusA(1, nullptr), RAS_ERROR_INVALID_PARAMETER);

  RASDIALPARAMS params = {};
  params.dwSize = 1048;
  int32_t stored = 0;
  HRASCONN handle = 0;
  EXPECT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_INVALID_SIZE);
  EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle), RAS_ERROR_INVALID_SIZE);
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, "A");
  RASDIALEXTENSIONS extensions = {};
  extensions.dwSize = 12;
  EXPECT_EQ(ras_.RasDialA(&extensions, nullptr, &params, 0, nullptr, &handle),
            RAS_ERROR_INVALID_SIZE);
  EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &params, 0, nullptr, nullptr),
            RAS_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &params, nullptr), RAS_ERROR_INVALID_PARAMETER);
  // A name that fills its field without a terminator is refused, not overrun.
  std::memset(params.szEntryName, 'A', sizeof params.szEntryName);
  EXPECT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &params, &stored), RAS_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle),
            RAS_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(handle, 0u);
  EXPECT_FALSE(ReadFileText(StateFile("connections.txt")).find("A") != std::string::npos);
}

TEST_F(EntriesTest, DialParamsMatchNameIgnoringCaseAndBlanks) {
  WritePhoneBook(
      "; comment\n[Other]\nPhoneNumber=1\n\n[  Office Line ]\r\nPhoneNumber=555 1234\r\n"
      "userName=alice\r\nPassword= pass word \r\nDomain=CORP\r\nCallbackNumber=777\r\n"
      "SomeOtherKey=ignored\r\n[office line]\nPhoneNumber=2\n");
  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, "OFFICE LINE");
  int32_t stored = 0;
  ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &params, &stored), 0u);
  EXPECT_STREQ(params.szEntryName, "OFFICE LINE");
  EXPECT_STREQ(params.szPhoneNumber, "555 1234");
  EXPECT_STREQ(params.szUserName, "alice");
  EXPECT_STREQ(params.szPassword, " pass word ");
  EXPECT_STREQ(params.szDomain, "CORP");
  EXPECT_STREQ(params.szCallbackNumber, "777");
  EXPECT_EQ(stored, 1);

  std::strcpy(params.szEntryName, "  other  ");
  ASSERT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &params, &stored), 0u);
  EXPECT_STREQ(params.szPhoneNumber, "1");
  EXPECT_STREQ(params.szPassword, "");
  EXPECT_EQ(stored, 0);

  std::strcpy(params.szEntryName, "Office");
  EXPECT_EQ(ras_.RasGetEntryDialParamsA(nullptr, &params, &stored),
            RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  HRASCONN handle = 0;
  EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle),
            RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

TEST_F(EntriesTest, CorruptOrUnreadablePhoneBookGivesErrorCodes) {
  const char* corrupt[] = {"PhoneNumber=1\n[A]\n",    // a key before any entry
                           "[A]\njust some words\n",  // neither section nor key
                           "[A\n",                    // unclosed section
                           "[A] trailing\n",          // text after the section
                           "[]\n",                    // no name
                           "[A]\nStepMs=fast\n",      // not a number
                           "[A]\nStates=0,,8192\n"};  // empty state
  for (const char* text : corrupt) {
    WritePhoneBook(text);
    EntryListing listing = ListEntries(ras_);
    EXPECT_EQ(listing.first, 625u) << text;
  }
  WritePhoneBook("[" + std::string(257, 'n') + "]\n");
  EXPECT_EQ(ListEntries(ras_).first, 625u) << "name longer than the record holds";
  WritePhoneBook("[A]\nPhoneNumber=" + std::string(129, '9') + "\n");
  EXPECT_EQ(ListEntries(ras_).first, 625u) << "number longer than the record holds";

  // A state folder that cannot be created: every function answers, none crashes.
  WriteFileText(StateFile("not-a-folder"), "x");
  SetStateFolder(StateFile("not-a-folder") + (StateFile("x")[0] == '/' ? "/sub" : "\\sub"));
  EXPECT_EQ(ListEntries(ras_).first, 621u);
  HRASCONN handle = 0;
  EXPECT_EQ(DialNow("A", &handle), 621u);
  EXPECT_EQ(handle, 0u);
  RASCONNSTATUS status = {};
  status.dwSize = sizeof status;
  EXPECT_EQ(ras_.RasGetConnectStatusA(1, &status), 621u);
  EXPECT_EQ(ras_.RasHangUpA(1), 621u);
  uint32_t result = 0;
  Connections(&result);
  EXPECT_EQ(result, 621u);
  SetStateFolder(folder_);
  std::remove(StateFile("not-a-folder").c_str());
}

// What the notifier saw, in order.
struct Notification {
  uint32_t message, state, error, thread;
  int64_t at;
};
std::mutex g_notified_mutex;
std::vector<Notification> g_notified;

void RAS_CALL RecordNotification(uint32_t message, uint32_t state, uint32_t error) {
  std::lock_guard<std::mutex> hold(g_notified_mutex);
  g_notified.push_back({message, state, error, CurrentThreadId(), NowMs()});
}

std::vector<Notification> Notified() {
  std::lock_guard<std::mutex> hold(g_notified_mutex);
  return g_notified;
}

class DialTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    std::lock_guard<std::mutex> hold(g_notified_mutex);
    g_notified.clear();
  }

  uint32_t DialWithNotifier(const char* name, HRASCONN* handle) {
    RASDIALPARAMS params = {};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, name);
    RASDIALEXTENSIONS extensions = {};
    extensions.dwSize = sizeof extensions;
    *handle = 0;
    return ras_.RasDialA(&extensions, nullptr, &params, 0,
                         reinterpret_cast<void*>(&RecordNotification), handle);
  }

  // Waits until the notifier has seen a state, at most two seconds.
  void WaitForState(uint32_t state) {
    for (int64_t end = NowMs() + 2000; NowMs() < end; SleepMs(5)) {
      for (const Notification& seen : Notified())
        if (seen.state == state) return;
    }
    FAIL() << "no notification of state " << state;
  }

  RASCONNSTATUS Status(HRASCONN handle, uint32_t* result) {
    RASCONNSTATUS status = {};
    status.dwSize = sizeof status;
    *result = ras_.RasGetConnectStatusA(handle, &status);
    return status;
  }
};

TEST_F(DialTest, NotifierGetsScriptedStatesOnItsOwnThreadAfterReturn) {
  WritePhoneBook("[Fast]\nStates=0,1,2,8192\nStepMs=50\n");
  HRASCONN handle = 0;
  ASSERT_EQ(DialWithNotifier("fast", &handle), 0u);
  EXPECT_LT(Notified().size(), 4u) << "an asynchronous dial returns before it connects";
  EXPECT_GT(handle, 0u);
  // Poll as the dialer does, loading and freeing the library around every
  // query; the dial thread goes on regardless.
  FreeServiceLibrary(&ras_);
  for (int64_t end = NowMs() + 2000; NowMs() < end && Notified().size() < 4; SleepMs(5)) {
    RasLibrary polled;
    ASSERT_TRUE(LoadServiceLibrary(LibraryIn(ProgramFolder()), &polled));
    RASCONNSTATUS status = {};
    status.dwSize = sizeof status;
    EXPECT_EQ(polled.RasGetConnectStatusA(handle, &status), 0u);
    FreeServiceLibrary(&polled);
  }
  ASSERT_TRUE(LoadServiceLibrary(LibraryIn(ProgramFolder()), &ras_));

  std::vector<Notification> seen = Notified();
  ASSERT_EQ(seen.size(), 4u);
  const uint32_t states[] = {0, 1, 2, 8192};
  for (size_t i = 0; i < seen.size(); i++) {
    EXPECT_EQ(seen[i].state, states[i]);
    EXPECT_EQ(seen[i].message, 0xCCCDu);
    EXPECT_EQ(seen[i].error, 0u);
    EXPECT_NE(seen[i].thread, CurrentThreadId());
  }
  EXPECT_GE(seen[3].at - seen[0].at, 3 * 50 - 5) << "each state takes its step time";
  uint32_t result = 0;
  RASCONNSTATUS status = Status(handle, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, static_cast<uint32_t>(RASCS_Connected));
  EXPECT_EQ(status.dwError, 0u);
  EXPECT_STREQ(status.szDeviceType, "modem");
  EXPECT_STREQ(status.szDeviceName, "Simulated Modem");

  // A handle left in place names a connection to resume: a new dial wants 0.
  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, "Fast");
  EXPECT_EQ(ras_.RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle),
            RAS_ERROR_INVALID_PARAMETER);
}

TEST_F(DialTest, FailedDialKeepsHandleWithErrorUntilHungUp) {
  WritePhoneBook(
      "[Busy]\nStates=0,1,2,3,8192\nStepMs=10\nFailAt=2\nError=676\n"
      "[Refused]\nStepMs=0\nFailAt=5\nError=691\n");
  HRASCONN busy = 0;
  ASSERT_EQ(DialWithNotifier("Busy", &busy), 0u);
  WaitForState(2);
  SleepMs(50);
  std::vector<Notification> seen = Notified();
  ASSERT_EQ(seen.size(), 3u) << "nothing after the failing state";
  EXPECT_EQ(seen[2].error, 676u);
  uint32_t result = 0;
  RASCONNSTATUS status = Status(busy, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, 2u);
  EXPECT_EQ(status.dwError, 676u);

  // Without a notifier the dial runs on the caller's thread and returns the error.
  HRASCONN refused = 0;
  EXPECT_EQ(DialNow("Refused", &refused), 691u);
  EXPECT_GT(refused, busy);
  status = Status(refused, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, 5u);
  EXPECT_EQ(status.dwError, 691u);

  EXPECT_EQ(ras_.RasHangUpA(busy), 0u);
  EXPECT_EQ(ras_.RasHangUpA(refused), 0u);
  Status(busy, &result);
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  Status(refused, &result);
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
}

TEST_F(DialTest, HangUpTakesScriptedTimeAndUnknownHandlesGiveSix) {
  WritePhoneBook("[Slow]\nStates=8192\nHangUpMs=150\n[Never]\nStepMs=0\nNeverFinish=1\n");
  HRASCONN slow = 0, never = 0;
  ASSERT_EQ(DialNow("Slow", &slow), 0u);
  ASSERT_EQ(DialWithNotifier("Never", &never), 0u);
  WaitForState(RASCS_Projected);
  SleepMs(30);
  EXPECT_EQ(Notified().back().state, static_cast<uint32_t>(RASCS_Projected)) << "never connects";

  int64_t start = NowMs();
  EXPECT_EQ(ras_.RasHangUpA(slow), 0u);
  EXPECT_EQ(ras_.RasHangUpA(slow), 0u) << "a second request while it goes";
  uint32_t result = 0;
  RASCONNSTATUS status = Status(slow, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(status.rasconnstate, static_cast<uint32_t>(RASCS_Disconnected));
  while (result == 0 && NowMs() - start < 2000) {
    SleepMs(5);
    Status(slow, &result);
  }
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  EXPECT_GE(NowMs() - start, 140);

  EXPECT_EQ(ras_.RasHangUpA(never), 0u);
  Status(never, &result);
  EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  for (HRASCONN unknown : {0u, slow, 9999u}) {
    EXPECT_EQ(ras_.RasHangUpA(unknown), RAS_ERROR_INVALID_HANDLE);
    Status(unknown, &result);
    EXPECT_EQ(result, RAS_ERROR_INVALID_HANDLE);
  }
  Connections(&result);
  EXPECT_EQ(result, 0u);
}

using ConnectionsTest = SimulatorTest;

TEST_F(ConnectionsTest, ListsMoreThanAHundredInOrderAndNeverReusesHandles) {
  WritePhoneBook("[ Up ]\nStates=8192\n[Other]\nStates=8192\n");
  std::vector<HRASCONN> handles;
  for (int i = 0; i < 101; i++) {
    HRASCONN handle = 0;
    ASSERT_EQ(DialNow(i % 2 ? "other" : "up", &handle), 0u);
    handles.push_back(handle);
  }
  std::vector<RASCONN> list(100);
  list[0].dwSize = sizeof(RASCONN);
  uint32_t size = 100 * sizeof(RASCONN), count = 0;
  EXPECT_EQ(ras_.RasEnumConnectionsA(list.data(), &size, &count), RAS_ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(size, 101 * sizeof(RASCONN));
  EXPECT_EQ(count, 101u);
  EXPECT_EQ(list[99].hrasconn, handles[99]) << "what fits is filled";

  uint32_t result = 0;
  std::vector<RASCONN> all = Connections(&result);
  ASSERT_EQ(result, 0u);
  ASSERT_EQ(all.size(), 101u);
  for (size_t i = 0; i < all.size(); i++) {
    EXPECT_EQ(all[i].hrasconn, handles[i]);
    EXPECT_STREQ(all[i].szEntryName, i % 2 ? "Other" : " Up ") << "the phone book's own name";
    EXPECT_STREQ(all[i].szDeviceType, "modem");
    if (i > 0) {
      EXPECT_GT(handles[i], handles[i - 1]);
    }
  }
  EXPECT_GT(handles[0], 0u);

  ASSERT_EQ(ras_.RasHangUpA(handles.back()), 0u);
  HRASCONN next = 0;
  ASSERT_EQ(DialNow("Up", &next), 0u);
  EXPECT_GT(next, handles.back()) << "a handle is never given twice";
}

TEST_F(ConnectionsTest, DialRecordKeepsWhatWasGivenButNoPassword) {
  WritePhoneBook(
      "[Office]\nPhoneNumber=5551234\nUserName=alice\nPassword=s3cr3t\nStates=8192\n"
      "[Home]\nStates=8192\n");
  HRASCONN first = 0, second = 0;
  ASSERT_EQ(DialNow("Office", &first), 0u);
  ASSERT_EQ(DialNow(" home ", &second), 0u);
  std::string expected = std::to_string(first) + "\tOffice\t5551234\talice\tyes\n" +
                         std::to_string(second) + "\t home \t\t\tno\n";
  EXPECT_EQ(ReadFileText(StateFile("dials.txt")), expected);
  std::string output;
  EXPECT_EQ(RunTool({"dials"}, &output), 0);
  EXPECT_EQ(output, expected);
  EXPECT_EQ(RunTool({"connections"}, &output), 0);
  EXPECT_EQ(output,
            std::to_string(first) + " 8192 0 Office\n" + std::to_string(second) + " 8192 0 Home\n");
}

using VariantTest = SimulatorTest;

TEST_F(VariantTest, EachVariantLacksExactlyItsOwnFunction) {
  FreeServiceLibrary(&ras_);
  const char* names[] = RAS_FUNCTION_NAMES;
  for (const char* omitted : names) {
    std::string folder = ProgramFolder() + (ProgramFolder()[0] == '/' ? "/" : "\\") + "variants" +
                         (ProgramFolder()[0] == '/' ? "/" : "\\") + "no_" + omitted;
    RasLibrary variant;
    ASSERT_TRUE(LoadServiceLibrary(LibraryIn(folder), &variant)) << folder;
#define RAS_FUNCTION_FOUND(name, bytes, parameters) reinterpret_cast<void*>(variant.name),
    const void* found[] = {RAS_FUNCTIONS(RAS_FUNCTION_FOUND)};
#undef RAS_FUNCTION_FOUND
    for (size_t i = 0; i < kRasFunctionCount; i++) {
      EXPECT_EQ(found[i] == nullptr, std::strcmp(names[i], omitted) == 0)
          << omitted << " " << names[i];
    }
    FreeServiceLibrary(&variant);
  }
}

}  // namespace
