// The options each mode needs, and the usage text shown when one is missing.
#pragma once

#include "dialer/options.h"
#include "status/error_status.h"

// Writes the missing-entry block, or the first missing dial value with the
// usage lines, and its IPC status. False when the run must stop.
bool CheckRequiredOptions(const RunSettings& settings, ErrorStatus& status);
