// RASDIALCALLBACK: turns each connection state into a report line and an
// IPC status.
#include "remote_access/dial_notifier.h"

#include <mutex>

#include "platform/platform.h"
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

// The state a dial waits to see notified, guarded by StatusOutputLock().
bool awaiting = false;
uint32_t awaited_state = 0;

// Set once the awaited state has been notified. Created at the first wait
// and closed as the module goes.
struct AwaitedEvent {
  PlatformEvent event = PlatformCreateEvent();
  ~AwaitedEvent() { PlatformCloseEvent(event); }
};
PlatformEvent AwaitedStateNotified() {
  static AwaitedEvent awaited;
  return awaited.event;
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
  if (awaiting && notified.Holds(awaited_state)) PlatformSetEvent(AwaitedStateNotified());
}

}  // namespace

void OpenNotificationGate() {
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  notifications_open = true;
  notified = NotifiedStates();
}

// The state is checked and the wait registered under the output lock, and
// the event reset there too, so a notification is either seen by the check
// or sets the event after the reset. The event is set for the awaited state
// only, so one bounded wait is enough.
bool AwaitNotifiedState(uint32_t state, uint32_t bound_ms) {
  PlatformEvent event = AwaitedStateNotified();
  {
    std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
    if (notified.Holds(state)) return true;
    awaiting = true;
    awaited_state = state;
    PlatformResetEvent(event);
  }
  PlatformWaitEvent(event, bound_ms);
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  awaiting = false;
  return notified.Holds(state);
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
