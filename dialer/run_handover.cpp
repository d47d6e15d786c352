// Hand-over to the entry lookup and the dial and hang-up runs.
#include "dialer/run_handover.h"

// RunEntryLookupAndMode: the entry lookup and both runs are not built yet,
// so a run that passes the checks ends here.
RunEnding RunEntryLookupAndMode(const RunSettings&, ErrorStatus&) {
  return kRunEndCloseAllFiles;
}
