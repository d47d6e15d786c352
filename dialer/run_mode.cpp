// Hand-over to the entry lookup and the dial and hang-up runs.
#include "dialer/run_mode.h"

#include "dialer/dial_run.h"
#include "dialer/entry_lookup.h"
#include "dialer/hangup_run.h"

// RunRequestedMode: the entry must be in the phone book in both modes,
// even to be hung up.
RunEnding RunRequestedMode(RunSettings& settings, ErrorStatus& status) {
  int32_t entry_index = LookUpEntry(settings.entry_name, status);
  if (entry_index == 0) return kRunEndNormal;
  if (settings.hang_up_mode) return RunHangUp(settings, status);
  RunDial(settings, entry_index, status);
  return kRunEndNormal;
}
