// The console window as a status output: the one line a failed hang-up
// shows to the person at the console, whatever the report channel is.
#pragma once

#include <string_view>

// Writes the line straight into the console window at its cursor; nothing
// when the process has no console.
void WriteConsoleLine(std::string_view line);
