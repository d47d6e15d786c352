// The hang-up run: hangs up the active connection of the named entry.
#pragma once

#include "dialer/options.h"
#include "dialer/run_mode.h"
#include "status/error_status.h"

// Looks for the named entry's connection among all active ones and hangs
// it up. After a failed hang-up the line goes to the console window alone
// and only the report channel is closed.
RunEnding RunHangUp(const RunSettings& settings, ErrorStatus& status);
