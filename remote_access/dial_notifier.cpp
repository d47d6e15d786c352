// RASDIALCALLBACK: turns each connection state into a report line and an
// IPC status.
#include "remote_access/dial_notifier.h"

#include <mutex>

#include "remote_access/library_export.h"
#include "remote_access/nelvoras.h"
#include "remote_access/ras_records.h"
#include "status/ipc_status.h"
#include "status/number_forms.h"
#include "status/output_lock.h"
#include "status/report_channel.h"

namespace {

// Guarded by StatusOutputLock(). Open until the first dial ends, so a
// program may also call the notifier itself.
bool notifications_open = true;

}  // namespace

std::string_view ConnectionStateText(uint32_t state) {
  switch (state) {
    case RASCS_ConnectDevice:
      return "Dialing";
    case RASCS_DeviceConnected:
    case RASCS_AllDevicesConnected:
      return "Modem Connected";
    case RASCS_Authenticate:
    case RASCS_AuthProject:
      return "Authentication Started";
    case RASCS_Authenticated:
      return "Authenticated";
    case RASCS_Connected:
      return "Connection Successful";
    default:
      return "";
  }
}

namespace {

// The report line and IPC status of one notification.
void WriteNotification(uint32_t state) {
  ErrorStatus status;
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  if (!notifications_open) {
    return;
  }
  std::string_view text = ConnectionStateText(state);
  if (!text.empty()) {
    WriteReportLine(status, {text});
  }
  if (IpcEnabled.load() != 0) {
    // A state without a text shows its number: " 6".
    std::string number = SignPositionForm(static_cast<int32_t>(state));
    WriteIpcStatus(text.empty() ? std::string_view(number) : text, status);
  }
}

}  // namespace

void OpenNotificationGate() {
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  notifications_open = true;
}

void CloseNotificationGate() {
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  notifications_open = false;
}

// RASDIALCALLBACK (exported)
// Runs on the service's thread: a failure inside loses this state's
// outputs and nothing else.
extern "C" NELVO_EXPORT void NELVO_API RASDIALCALLBACK(uint32_t message, uint32_t state,
                                                       uint32_t errorCode) noexcept {
  try {
    WriteNotification(state);
  } catch (...) {
  }
}
