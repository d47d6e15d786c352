// The dial run: dials the entry found by the lookup and reports the outcome.
#pragma once

#include <cstdint>

#include "dialer/options.h"
#include "status/error_status.h"

// Announces the connection, dials through rsDialEntry with the command
// line's phone number, user name and password, and reports "Connected" or
// the failure with its error code. The settings' password is cleared once
// it has been handed over.
void RunDial(RunSettings& settings, int32_t entry_index, ErrorStatus& status);
