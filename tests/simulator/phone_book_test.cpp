// The simulated phone book through the library, as the dialer calls it:
// sizes, buffer rules, name matching and damaged files.
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

}  // namespace
