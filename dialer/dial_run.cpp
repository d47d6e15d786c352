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

  // Owned here until the call, so a failure to make a later one frees the
  // earlier ones.
  OwnedByteString phone_number = NewOwnedByteString(settings.phone_number);
  OwnedByteString user_name = NewOwnedByteString(settings.user_name);
  OwnedByteString password = NewOwnedByteString(settings.password);
  // rsDialEntry owns the byte strings now, and clears the password once it
  // has dialled.
  ClearPassword(settings);
  int32_t result = rsDialEntry(entry_index, phone_number.release(), user_name.release(),
                               password.release());
  SetConnectionHandle(static_cast<uint32_t>(result));
  if (result < 0) {
    WriteIpcStatus("ERROR : Connection Failed", status);
    WriteReportLine(status, {"ERROR : Not Connected"});
    WriteReportLine(status, {"ERROR CODE : ", BareDigits(result)});
  } else {
    WriteReportLine(status, {"Connected"});
  }
}
