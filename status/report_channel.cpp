// The report channel.
#include "status/report_channel.h"

#include <mutex>

#include "status/numbered_files.h"
#include "status/output_lock.h"

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

// WriteReportLine: unbuffered, so a reader sees each line as it is written;
// whole, since the dial notifier's thread writes lines too.
void WriteReportLine(ErrorStatus& status, std::initializer_list<std::string_view> pieces) {
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  for (std::string_view piece : pieces) WriteNumberedFile(kReportFile, piece, status);
  WriteNumberedFile(kReportFile, "\r\n", status);
}

// CloseReportChannel: the IPC file stays open.
void CloseReportChannel(ErrorStatus& status) {
  CloseNumberedFile(kReportFile, status);
}
