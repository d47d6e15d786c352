// The console program's main routine.
#pragma once

#include <cstdint>

// Reads the command tail, opens the status outputs, checks the options and
// hands over to the mode asked for. Returns 0 on every path.
int32_t RunDialer();
