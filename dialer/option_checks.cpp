// Required options and usage text.
#include "dialer/option_checks.h"

#include <string_view>

#include "status/ipc_status.h"
#include "status/report_channel.h"

namespace {

const char kUsageDial1[] = "  Nelvo /LOG:logfile /IPC:ipcfile /CANCEL:filename /ENTRY:entryname";
const char kUsageDial2[] = "        /USER:username /PASS:password /PHONE:phonenumber";
const char kUsageHangUp[] = "  Nelvo /LOG:logfile /IPC:ipcfile /ENTRY:entryname /HANGUP";

// The first line, the dial usage, and the same first line as IPC status.
void ReportMissing(std::string_view message, ErrorStatus& status) {
  WriteReportLine(status, {message});
  WriteReportLine(status, {kUsageDial1});
  WriteReportLine(status, {kUsageDial2});
  WriteIpcStatus(message, status);
}

}  // namespace

// CheckRequiredOptions: the entry in both modes; user, password and phone
// number, in that order, when dialling.
bool CheckRequiredOptions(const RunSettings& settings, ErrorStatus& status) {
  if (settings.entry_name.empty()) {
    const char message[] = "ERROR : RAS Phone Book Entry NOT Specified";
    WriteReportLine(status, {message});
    WriteReportLine(status, {kUsageDial1});
    WriteReportLine(status, {kUsageDial2});
    WriteReportLine(status, {"  or"});
    WriteReportLine(status, {});
    WriteReportLine(status, {kUsageHangUp});
    WriteIpcStatus(message, status);
    return false;
  }
  if (settings.hang_up_mode) return true;
  if (settings.user_name.empty()) {
    ReportMissing("ERROR : User ID NOT Specified", status);
  } else if (settings.password.empty()) {
    ReportMissing("ERROR : User Password NOT Specified", status);
  } else if (settings.phone_number.empty()) {
    ReportMissing("ERROR : Phone Number NOT Specified", status);
  } else {
    return true;
  }
  return false;
}
