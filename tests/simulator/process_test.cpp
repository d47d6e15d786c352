// Connections shared between processes, and the fault switches set with the
// rassim tool.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/simulator/sim_support.h"

namespace {

using ProcessTest = SimulatorTest;

TEST_F(ProcessTest, ConnectionMadeInOneProcessIsHungUpInAnother) {
  WritePhoneBook("[Office]\nStates=0,2,8192\nStepMs=10\n");
  std::string output;
  ASSERT_EQ(RunTool({"dial", "Office"}, &output), 0);
  EXPECT_EQ(output, "1 0\n") << "the child's dial connected and left the connection up";

  uint32_t result = 0;
  std::vector<RASCONN> list = Connections(&result);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].hrasconn, 1u);
  EXPECT_STREQ(list[0].szEntryName, "Office");
  EXPECT_EQ(ras_.RasHangUpA(1), 0u);

  // And the other way round: dialled here, dropped by the tool.
  HRASCONN handle = 0;
  ASSERT_EQ(DialNow("Office", &handle), 0u);
  EXPECT_EQ(handle, 2u);
  EXPECT_EQ(RunTool({"connections"}, &output), 0);
  EXPECT_EQ(output, "2 8192 0 Office\n");
  EXPECT_EQ(RunTool({"drop", "2"}, &output), 0);
  EXPECT_EQ(RunTool({"drop", "2"}, &output), 1);
  RASCONNSTATUS status = {};
  status.dwSize = sizeof status;
  EXPECT_EQ(ras_.RasGetConnectStatusA(handle, &status), RAS_ERROR_INVALID_HANDLE);
}

TEST_F(ProcessTest, AbandonedDialIsDroppedButConnectedOneStays) {
  WritePhoneBook(
      "[Never]\nStepMs=0\nNeverFinish=1\n[Up]\nStates=8192\n[Busy]\nStepMs=0\nFailAt=2\n");
  std::string output;
  EXPECT_EQ(RunTool({"dial", "Never", "--async"}, &output), 0);
  EXPECT_EQ(RunTool({"dial", "Up"}, &output), 0);
  EXPECT_EQ(RunTool({"dial", "Busy"}, &output), 1);
  EXPECT_EQ(output, "3 678\n");
  uint32_t result = 0;
  std::vector<RASCONN> list = Connections(&result);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].hrasconn, 2u);
}

TEST_F(ProcessTest, TwoProcessesDiallingAtOnceKeepEveryConnection) {
  WritePhoneBook("[A]\nStates=0,1,2,8192\nStepMs=15\n[B]\nStates=0,1,2,8192\nStepMs=15\n");
  std::vector<Child> children;
  for (int i = 0; i < 6; i++) children.push_back(StartTool({"dial", i % 2 ? "A" : "B"}));
  // This process dials meanwhile too.
  HRASCONN own = 0;
  uint32_t own_result = DialNow("A", &own);
  for (Child& child : children) EXPECT_EQ(WaitTool(&child, nullptr), 0);
  ASSERT_EQ(own_result, 0u);

  uint32_t result = 0;
  std::vector<RASCONN> list = Connections(&result);
  ASSERT_EQ(result, 0u);
  std::set<HRASCONN> handles;
  for (const RASCONN& conn : list) handles.insert(conn.hrasconn);
  EXPECT_EQ(list.size(), 7u);
  EXPECT_EQ(handles, (std::set<HRASCONN>{1, 2, 3, 4, 5, 6, 7}));
  RASCONNSTATUS status = {};
  for (HRASCONN handle : handles) {
    status.dwSize = sizeof status;
    EXPECT_EQ(ras_.RasGetConnectStatusA(handle, &status), 0u);
    EXPECT_EQ(status.rasconnstate, static_cast<uint32_t>(RASCS_Connected)) << handle;
  }
}

TEST_F(ProcessTest, FaultSwitchesFromTheTool) {
  WritePhoneBook("[A]\nStates=8192\n[B]\n");
  RASENTRYNAME entries[3] = {};
  uint32_t size = sizeof(RASENTRYNAME), count = 0;

  ASSERT_EQ(RunTool({"fault", "enum-entries-error", "5"}), 0);
  entries[0].dwSize = sizeof(RASENTRYNAME);
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, entries, &size, &count), 5u);
  ASSERT_EQ(RunTool({"fault", "enum-connections-error", "87"}), 0);
  uint32_t result = 0;
  Connections(&result);
  EXPECT_EQ(result, 87u);
  ASSERT_EQ(RunTool({"fault", "clear"}), 0);

  // The entry appears between the two requests, so the second one is short too.
  ASSERT_EQ(RunTool({"fault", "add-entry-between-requests"}), 0);
  size = sizeof(RASENTRYNAME);
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, entries, &size, &count),
            RAS_ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 2u);
  size = 2 * sizeof(RASENTRYNAME);
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, entries, &size, &count),
            RAS_ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 3u);
  size = 3 * sizeof(RASENTRYNAME);
  EXPECT_EQ(ras_.RasEnumEntriesA(nullptr, nullptr, entries, &size, &count), 0u) << "fires once";
  EXPECT_STREQ(entries[2].szEntryName, "Added Entry 3");

  HRASCONN handle = 0;
  ASSERT_EQ(DialNow("A", &handle), 0u);
  ASSERT_EQ(RunTool({"fault", "status-fails-after", "2", "638"}), 0);
  RASCONNSTATUS status = {};
  for (uint32_t expected : {0u, 0u, 638u, 638u}) {
    status.dwSize = sizeof status;
    EXPECT_EQ(ras_.RasGetConnectStatusA(handle, &status), expected);
  }
  EXPECT_EQ(RunTool({"fault", "status-fails-after", "x", "638"}), 2);
}

TEST_F(ProcessTest, ToolWritesAPhoneBookTheLibraryReads) {
  ASSERT_EQ(RunTool({"phonebook", "add", " Dial Up ", "--phone", "555", "--user", "bob",
                     "--password", "pw", "--states", "0,2,8192", "--step-ms", "20", "--fail-at",
                     "2", "--error", "676", "--hangup-ms", "30"}),
            0);
  ASSERT_EQ(RunTool({"phonebook", "add", "dial up", "--never-finish"}), 0);
  EXPECT_EQ(RunTool({"phonebook", "add", "dial up"}), 1) << "the same name twice";
  EXPECT_EQ(RunTool({"phonebook", "add", std::string(257, 'x')}), 2);
  EXPECT_EQ(RunTool({"phonebook", "add", "X", "--step-ms"}), 2);
  EXPECT_EQ(ReadFileText(StateFile("phonebook.ini")),
            "[ Dial Up ]\nPhoneNumber=555\nUserName=bob\nPassword=pw\nStates=0,2,8192\n"
            "StepMs=20\nFailAt=2\nError=676\nHangUpMs=30\n[dial up]\nNeverFinish=1\n");
  HRASCONN handle = 0;
  EXPECT_EQ(DialNow("DIAL UP", &handle), 676u) << "the first of two names differing in case";

  std::string output;
  ASSERT_EQ(RunTool({"demo"}), 0);
  ASSERT_EQ(RunTool({"phonebook", "list"}, &output), 0);
  EXPECT_EQ(output,
            "Office\nHome ISP\nBusy Line\nNo Answer\nWrong Password\nNever Connects\n"
            "Slow Hang-up\n");
  ASSERT_EQ(RunTool({"phonebook", "clear"}), 0);
  ASSERT_EQ(RunTool({"phonebook", "list"}, &output), 0);
  EXPECT_EQ(output, "");
}

TEST_F(ProcessTest, UsageListsExamplesThatTheToolUnderstands) {
  std::string usage;
  ASSERT_EQ(RunTool({"--help"}, &usage), 0);
  EXPECT_EQ(usage.rfind("usage: rassim COMMAND [ARGUMENTS]\n", 0), 0u) << usage;
  // Each example line runs: it may fail on the state (1), never on its words (2).
  int examples = 0;
  for (size_t at = usage.find("\n      rassim "); at != std::string::npos;
       at = usage.find("\n      rassim ", at + 1)) {
    std::string line = usage.substr(at + 14, usage.find('\n', at + 1) - at - 14);
    std::vector<std::string> words;
    for (size_t start = 0, end; start < line.size(); start = end + 1) {
      end = std::min(line.find(' ', start), line.size());
      words.push_back(line.substr(start, end - start));
    }
    EXPECT_NE(RunTool(words), 2) << line;
    examples++;
  }
  EXPECT_EQ(examples, 14);
  EXPECT_EQ(RunTool({}), 2);
  EXPECT_EQ(RunTool({"frobnicate"}), 2);
}

}  // namespace
