// The simulated connections, the record of dials, and the variant
// libraries that each lack one function.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "tests/simulator/sim_support.h"

namespace {

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
