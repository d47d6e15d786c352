// rsDialEntry against the simulated service: what is dialled, how the wait
// ends, and what is left behind.
#include <string>

#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"
#include "tests/remote_access_dial/dial_support.h"

namespace {

const char kProgress[] =
    "Dialing\r\nModem Connected\r\nModem Connected\r\nAuthentication Started\r\n"
    "Authentication Started\r\nAuthenticated\r\nConnection Successful\r\n";

std::string Padded(const std::string& text) {
  return text + std::string(64 - text.size(), ' ');
}

const char kTwoEntries[] =
    "[First]\nPhoneNumber=111\nUserName=one\nPassword=p1\nStepMs=2\n"
    "[  Office ]\nPhoneNumber=555-0100\nUserName=stored\nPassword=secret\nStepMs=2\n";

TEST_F(DialTest, ConnectsAndLeavesTheLinkUp) {
  WritePhoneBook(kTwoEntries);
  EXPECT_EQ(Dial(2, "555-0199", "alice", "pw"), 0);
  EXPECT_EQ(ActiveConnections(), 1);
  EXPECT_EQ(static_cast<uint32_t>(rsGetConnectionHandle(1)), ConnectionHandle);
  EXPECT_EQ(DialRecord(), std::to_string(ConnectionHandle) + "\tOffice\t555-0199\talice\tyes\n");
  EXPECT_EQ(ReportText(), kProgress);
  EXPECT_EQ(IpcText(), Padded("Connection Successful"));
}

TEST_F(DialTest, PositionOutsideThePhoneBookDialsNothing) {
  WritePhoneBook(kTwoEntries);
  for (int index : {0, -1, 3}) {
    EXPECT_EQ(Dial(index, "1", "u", "p"), -623) << index;
  }
  WritePhoneBook("");
  EXPECT_EQ(Dial(1, "1", "u", "p"), -623);
  EXPECT_EQ(DialRecord(), "");
  EXPECT_EQ(SecondsWaited(), 0);
  EXPECT_EQ(ReportText(), "");
}

TEST_F(DialTest, CallerValuesReplaceStoredOnesCutToTheirFields) {
  WritePhoneBook(kTwoEntries);
  std::string long_number(200, '7');
  ASSERT_EQ(Dial(1, long_number, "bob ", ""), 0);
  HRASCONN first = ConnectionHandle;
  ASSERT_EQ(Dial(2, "", "", ""), 0);
  EXPECT_EQ(DialRecord(), std::to_string(first) + "\tFirst\t" + std::string(128, '7') +
                              "\tbob \tyes\n" + std::to_string(ConnectionHandle) +
                              "\tOffice\t555-0100\tstored\tyes\n");
  // A second dial starts from handle 0: both links are up.
  EXPECT_EQ(ActiveConnections(), 2);
}

TEST_F(DialTest, FailureSeenOnlyInTheStatusIsWaitedOutThenReported) {
  WritePhoneBook("[Busy]\nPhoneNumber=1\nStepMs=2\nFailAt=2\nError=676\n");
  EXPECT_EQ(Dial(1, "", "u", "p"), -676);
  EXPECT_EQ(SecondsWaited(), 86);
  EXPECT_EQ(ActiveConnections(), 0);
}

TEST_F(DialTest, DialThatNeverConnectsTimesOutAndIsHungUp) {
  WritePhoneBook("[Never]\nPhoneNumber=1\nStepMs=2\nNeverFinish=1\n");
  EXPECT_EQ(Dial(1, "", "u", "p"), -638);
  EXPECT_EQ(SecondsWaited(), 86);
  EXPECT_EQ(ActiveConnections(), 0);
}

TEST_F(DialTest, CancelFileEndsTheDialAtTheFirstProbe) {
  WritePhoneBook("[Never]\nPhoneNumber=1\nStepMs=2\nNeverFinish=1\n");
  WriteFileText(CancelFileName, "");
  EXPECT_EQ(Dial(1, "", "u", "p"), -668);
  EXPECT_EQ(SecondsWaited(), 2);
  EXPECT_EQ(ActiveConnections(), 0);
}

TEST_F(DialTest, FailingStatusQueryEndsTheDialWithItsCode) {
  WritePhoneBook("[Never]\nPhoneNumber=1\nStepMs=2\nNeverFinish=1\n");
  ASSERT_EQ(RunTool({"fault", "status-fails-after", "3", "651"}), 0);
  EXPECT_EQ(Dial(1, "", "u", "p"), -651);
  // Three queries answer (the first and two polls); the fourth fails.
  EXPECT_EQ(SecondsWaited(), 4);
  ASSERT_EQ(RunTool({"fault", "clear"}), 0);
  EXPECT_EQ(ActiveConnections(), 0);
}

TEST_F(DialTest, LateNotificationsOfAFinishedDialWriteNothing) {
  WritePhoneBook(kTwoEntries);
  ASSERT_EQ(Dial(1, "", "", ""), 0);
  RASDIALCALLBACK(0xCCCD, RASCS_Disconnected, 0);
  RASDIALCALLBACK(0xCCCD, RASCS_ConnectDevice, 0);
  EXPECT_EQ(IpcText(), Padded("Connection Successful"));
  EXPECT_EQ(ReportText(), kProgress);
}

TEST_F(DialTest, WithoutANotifierTheDialIsSynchronous) {
  WritePhoneBook(kTwoEntries);
  DialCallbackAddress = nullptr;
  EXPECT_EQ(Dial(2, "", "", ""), 0);
  EXPECT_EQ(ActiveConnections(), 1);
  EXPECT_EQ(ReportText(), "");
}

// The simulator tells the notifier of Connected only once a status query has
// reported it, so the dial's poll sees Connected before the notifier runs,
// as a real service may do: the dial waits for that notification, and its
// line and IPC status are not lost.
TEST_F(DialTest, ConnectedNotifiedAfterThePollSawItIsStillWritten) {
  WritePhoneBook("[Office]\nPhoneNumber=1\nStepMs=2\nNotifyAfterQuery=8192\n");
  EXPECT_EQ(Dial(1, "", "u", "p"), 0);
  EXPECT_EQ(ReportText(), kProgress);
  EXPECT_EQ(IpcText(), Padded("Connection Successful"));
}

// The same for the state a cancelled dial ended in; a notification after
// the dial has returned still writes nothing, so the dial run's
// "ERROR : Connection Failed" stays.
TEST_F(DialTest, CancelledDialsLastStateIsWrittenAndLateOnesAreNot) {
  WritePhoneBook("[Never]\nPhoneNumber=1\nStates=2\nNeverFinish=1\nNotifyAfterQuery=2\n");
  WriteFileText(CancelFileName, "");
  EXPECT_EQ(Dial(1, "", "u", "p"), -668);
  RASDIALCALLBACK(0xCCCD, RASCS_Connected, 0);
  EXPECT_EQ(ReportText(), "Dialing\r\n");
  EXPECT_EQ(IpcText(), Padded("Dialing"));
  EXPECT_EQ(ActiveConnections(), 0);
}

}  // namespace

