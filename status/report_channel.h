// The report channel: file number 1, the log file or standard output.
#pragma once

#include <initializer_list>
#include <string_view>

#include "status/error_status.h"

// Opens the log by name when one is given and standard output was a
// console at start (write only, no sharing, created when missing, emptied);
// otherwise adopts standard output. On failure the channel stays closed.
void OpenReportChannel(std::string_view log_file_name, bool stdout_was_console,
                       ErrorStatus& status);
// Writes each piece with one write of its own, then CR LF; no pieces (or
// empty ones) give just the line end. Numbers go in as ReportNumberForm().
void WriteReportLine(ErrorStatus& status, std::initializer_list<std::string_view> pieces);
// Closes file number 1 alone.
void CloseReportChannel(ErrorStatus& status);
