// Steps after the command-line checks: the entry lookup, then the dial or
// the hang-up run.
#pragma once

#include "dialer/options.h"
#include "status/error_status.h"

// How a run ended: normally (the caller closes every file), or with a
// hang-up the service refused, after which only the report channel was
// closed and the IPC file keeps its "Go" until the process ends.
enum RunEnding { kRunEndNormal, kRunEndHangUpRefused };

// Looks the entry up and runs the mode the settings ask for.
RunEnding RunRequestedMode(RunSettings& settings, ErrorStatus& status);
