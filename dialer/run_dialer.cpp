// The run sequence.
#include "dialer/run_dialer.h"

#include <string>

#include "dialer/option_checks.h"
#include "dialer/options.h"
#include "dialer/program_version.h"
#include "dialer/run_mode.h"
#include "dialer/startup.h"
#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"
#include "status/ipc_status.h"
#include "status/number_forms.h"
#include "status/numbered_files.h"
#include "status/report_channel.h"

namespace {

// The settings hold the password: cleared on every way out of the run.
struct ClearedSettings {
  RunSettings settings;
  ~ClearedSettings() { ClearPassword(settings); }
};

// Opens the IPC file, says so on the report channel, and writes "Go".
void StartIpcFile(const std::string& ipc_file_name, ErrorStatus& status) {
  OpenIpcFile(ipc_file_name, status);
  IpcEnabled = 1;
  WriteReportLine(status, {"IPC : ", ipc_file_name, " ", SignPositionForm(status.value)});
  WriteIpcStatus("Go", status);
}

}  // namespace

// RunDialer: the exit code never reflects an error.
int32_t RunDialer() {
  ErrorStatus status;
  SetDialNotifier(reinterpret_cast<void*>(&RASDIALCALLBACK));
  SetCancelFileName(DefaultCancelFileName());

  ClearedSettings read{ReadRunSettings(StartupCommandTail())};
  RunSettings& settings = read.settings;
  ClearStartupCommandTail();
  SetCancelFileName(settings.cancel_file_name);
  OpenReportChannel(settings.log_file_name, StdoutWasConsole(), status);
  WriteReportLine(status, {"Nelvo - Command line RAS dialer - ", ProgramVersion});
  if (!settings.ipc_file_name.empty()) StartIpcFile(settings.ipc_file_name, status);
  // A cancel file left from an earlier run must not cancel this one.
  DeleteNamedFile(CancelFileName, status);

  RunEnding ending = kRunEndNormal;
  if (CheckRequiredOptions(settings, status)) ending = RunRequestedMode(settings, status);
  if (ending == kRunEndNormal) CloseAllFiles(status);
  return 0;
}

int32_t RunDialerAtEntry() noexcept {
  try {
    return RunDialer();
  } catch (...) {
    return EndRunAfterException();
  }
}

// The settings were cleared on the way out; the files are all that is left.
int32_t EndRunAfterException() noexcept {
  try {
    CloseAllFiles();
  } catch (...) {
  }
  return 0;
}
