// RASDIALCALLBACK: turns each connection state into a report line and an
// IPC status.
#include "remote_access/dial_notifier.h"

#include <chrono>
#include <condition_variable>
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

// The states written since the gate opened, guarded by StatusOutputLock().
// A dial passes a few dozen states at most; past the table's end every
// state counts as notified, so no wait outlasts its purpose.
struct NotifiedStates {
  uint32_t states[64];
  uint32_t count = 0;
  bool overflowed = false;

  bool Holds(uint32_t state) const {
    for (uint32_t i = 0; i < count; ++i) {
      if (states[i] == state) return true;
    }
    return overflowed;
  }
  void Add(uint32_t state) {
    if (Holds(state)) return;
    if (count < sizeof states / sizeof states[0]) {
      states[count++] = state;
    } else {
      overflowed = true;
    }
  }
};
NotifiedStates notified;

// Told each time a notification has been written.
std::condition_variable_any& NotificationWritten() {
  static std::condition_variable_any written;
  return written;
}

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
  notified.Add(state);
  NotificationWritten().notify_all();
}

}  // namespace

void OpenNotificationGate() {
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  notifications_open = true;
  notified = NotifiedStates();
}

// The lock is the output lock, so a notification is either wholly written
// before the test or wakes the wait after it.
bool AwaitNotifiedState(uint32_t state, uint32_t bound_ms) {
  std::unique_lock<std::recursive_mutex> hold(StatusOutputLock());
  return NotificationWritten().wait_for(hold, std::chrono::milliseconds(bound_ms),
                                        [state] { return notified.Holds(state); });
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
