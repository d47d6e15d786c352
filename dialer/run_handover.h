// Steps after the command-line checks: the entry lookup, then the dial or
// the hang-up run.
#pragma once

#include "dialer/options.h"
#include "status/error_status.h"

// How a run left its files: the caller closes them all, or only the
// report channel was closed (after a failed hang-up).
enum RunEnding { kRunEndCloseAllFiles, kRunEndReportChannelClosed };

// Looks the entry up and runs the mode the settings ask for.
RunEnding RunEntryLookupAndMode(const RunSettings& settings, ErrorStatus& status);
