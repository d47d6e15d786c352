// The dial run.
#include "dialer/dial_run.h"

#include <string>

#include "remote_access/byte_text.h"
#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"
#include "status/ipc_status.h"
#include "status/number_forms.h"
#include "status/report_channel.h"
#include "status/text.h"

// RunDial: while rsDialEntry runs only the progress notifier writes, so
// nothing is written here between the call and its return.
void RunDial(RunSettings& settings, int32_t entry_index, ErrorStatus& status) {
  // The name as the phone book spells it, not as it was typed.
  std::string name(TrimBlanks(TakeByteString(rsGetEntryName(entry_index))));
  WriteIpcStatus("STATUS : Connecting to " + name, status);
  WriteReportLine(status, {"Connecting to ", name});

  NELVO_BSTR phone_number = NewByteString(settings.phone_number);
  NELVO_BSTR user_name = NewByteString(settings.user_name);
  NELVO_BSTR password = NewByteString(settings.password);
  // rsDialEntry owns the byte string now, and clears it once it has dialled.
  ClearPassword(settings);
  int32_t result = rsDialEntry(entry_index, phone_number, user_name, password);
  SetConnectionHandle(static_cast<uint32_t>(result));
  if (result < 0) {
    WriteIpcStatus("ERROR : Connection Failed", status);
    WriteReportLine(status, {"ERROR : Not Connected"});
    WriteReportLine(status, {"ERROR CODE : ", BareDigits(result)});
  } else {
    WriteReportLine(status, {"Connected"});
  }
}
