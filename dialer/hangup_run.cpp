// The hang-up run.
#include "dialer/hangup_run.h"

#include <cstring>
#include <string>

#include "remote_access/connections.h"
#include "remote_access/dial_values.h"
#include "remote_access/nelvoras.h"
#include "status/console_line.h"
#include "status/ipc_status.h"
#include "status/number_forms.h"
#include "status/report_channel.h"
#include "status/text.h"

namespace {

// A listed connection: its entry name (up to the first NUL, blanks kept)
// and its handle read as signed.
struct FoundConnection {
  bool found = false;
  std::string name;
  int32_t handle = 0;
};

std::string ConnectionEntryName(const RASCONN& connection) {
  const char* name = connection.szEntryName;
  return std::string(name, strnlen(name, sizeof connection.szEntryName));
}

int32_t SignedHandle(const RASCONN& connection) {
  return static_cast<int32_t>(connection.hrasconn);
}

// The first listed connection with a positive handle that belongs to the
// entry (case ignored), or when wanted_upper is null the first one at all.
// Each record is judged as it was listed: taking the position back to the
// service could name another link if the list changed in between.
FoundConnection FindConnection(const ConnectionList& connections, int32_t count,
                               const std::string* wanted_upper) {
  FoundConnection result;
  for (int32_t index = 0; index < count; ++index) {
    const RASCONN& connection = connections[index];
    if (SignedHandle(connection) <= 0) continue;
    std::string name = ConnectionEntryName(connection);
    if (wanted_upper != nullptr && UpperCase(name) != *wanted_upper) continue;
    result.found = true;
    result.name = name;
    result.handle = SignedHandle(connection);
    break;
  }
  return result;
}

void ReportNotActive(const std::string& entry_name, const std::string& active_name,
                     ErrorStatus& status) {
  WriteReportLine(status, {"ERROR : The specified connection (", entry_name, ") is not active"});
  WriteReportLine(status, {"        ", active_name, " is active"});
  WriteIpcStatus("ERROR : " + entry_name + "Not active for HANGUP " + active_name + " is active",
                 status);
}

}  // namespace

// RunHangUp: only the no-connection and not-active paths touch the IPC status.
RunEnding RunHangUp(const RunSettings& settings, ErrorStatus& status) {
  WriteReportLine(status, {"Hanging up ..."});
  ConnectionList connections;
  int32_t count = LoadActiveConnections(connections);
  if (count <= 0) {
    const char message[] = "ERROR : No active connections for HANGUP found";
    WriteReportLine(status, {message});
    WriteIpcStatus(message, status);
    return kRunEndNormal;
  }
  std::string wanted = UpperCase(settings.entry_name);
  FoundConnection target = FindConnection(connections, count, &wanted);
  if (!target.found) {
    ReportNotActive(settings.entry_name, FindConnection(connections, count, nullptr).name, status);
    return kRunEndNormal;
  }
  SetConnectionHandle(static_cast<uint32_t>(target.handle));
  WriteReportLine(status, {"Handle :", ReportNumberForm(target.handle)});
  int32_t result = rsHangUpConnection(target.handle);
  if (result != 0) {
    // Meant for the person at the console, whatever the report channel is.
    std::string line = "ERROR on hangup :" + ReportNumberForm(result);
    WriteConsoleLine(line);
    CloseReportChannel(status);
    return kRunEndHangUpRefused;
  }
  WriteReportLine(status, {"OK"});
  return kRunEndNormal;
}
