// What the process entry learns once, before the run.
#pragma once

#include <string>
#include <string_view>

// Records the command tail and whether standard output was a console.
void SetStartupValues(std::string_view command_tail, bool stdout_was_console);
const std::string& StartupCommandTail();
// Clears the kept tail once the options are read: it holds the password.
void ClearStartupCommandTail();
bool StdoutWasConsole();
