// The console program's main routine.
#pragma once

#include <cstdint>

// Reads the command tail, opens the status outputs, checks the options and
// hands over to the mode asked for. Returns 0 on every path.
int32_t RunDialer();
// RunDialer as the process entry runs it: an exception that reaches here
// (memory that cannot be had, a lock error) ends the run as the failure
// model says, with every file closed and 0.
int32_t RunDialerAtEntry() noexcept;
// Ends a run that an exception cut short: closes every file; returns 0.
int32_t EndRunAfterException() noexcept;
