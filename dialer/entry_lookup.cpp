// The entry lookup.
#include "dialer/entry_lookup.h"

#include "remote_access/byte_text.h"
#include "remote_access/nelvoras.h"
#include "status/ipc_status.h"
#include "status/report_channel.h"
#include "status/text.h"

namespace {

const char kCreateEntryLine1[] =
    "         Please create a RAS phone book entry for Dial Up Networking";
const char kCreateEntryLine2[] = "         that matches the /ENTRY parm you are using";

void ReportNoEntries(ErrorStatus& status) {
  const char message[] = "ERROR : No RAS Phone Book Entries found";
  WriteReportLine(status, {message});
  WriteReportLine(status, {kCreateEntryLine1});
  WriteReportLine(status, {kCreateEntryLine2});
  WriteIpcStatus(message, status);
}

void ReportEntryMissing(std::string_view entry_name, ErrorStatus& status) {
  WriteReportLine(status, {"ERROR : ", entry_name, " Phone Book Entry is missing"});
  WriteReportLine(status, {kCreateEntryLine1});
  WriteReportLine(status, {kCreateEntryLine2});
  std::string ipc_text = "ERROR : RAS ";
  ipc_text.append(entry_name).append(" Phone Book Entry is missing");
  WriteIpcStatus(ipc_text, status);
}

}  // namespace

// LookUpEntry: every position is examined, so of two names that differ
// only in case the later one is used.
int32_t LookUpEntry(std::string_view entry_name, ErrorStatus& status) {
  int32_t count = rsAvailableEntries();
  if (count < 1) {
    ReportNoEntries(status);
    return 0;
  }
  std::string wanted = UpperCase(entry_name);
  int32_t entry_index = 0;
  for (int32_t index = 1; index <= count; ++index) {
    std::string name = TakeByteString(rsGetEntryName(index));
    if (UpperCase(TrimBlanks(name)) == wanted) entry_index = index;
  }
  if (entry_index == 0) ReportEntryMissing(entry_name, status);
  return entry_index;
}
