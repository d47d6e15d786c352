// The report channel.
#include "status/report_channel.h"

#include "status/numbered_files.h"

// OpenReportChannel: the log only when output would otherwise go to the console.
void OpenReportChannel(std::string_view log_file_name, bool stdout_was_console,
                       ErrorStatus& status) {
  if (!log_file_name.empty() && stdout_was_console) {
    FileOpening how = {kFileOutput, kAccessWrite, kShareNone, kOpenAlways, true, 0};
    OpenNumberedFile(kReportFile, log_file_name, how, status);
  } else {
    AdoptStandardOutput(kReportFile, status);
  }
}

// WriteReportLine: unbuffered, so a reader sees each line as it is written.
void WriteReportLine(ErrorStatus& status, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) WriteNumberedFile(kReportFile, piece, status);
  WriteNumberedFile(kReportFile, "\r\n", status);
}

// CloseReportChannel: the IPC file stays open.
void CloseReportChannel(ErrorStatus& status) {
  CloseNumberedFile(kReportFile, status);
}
