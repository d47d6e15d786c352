// rsDialEntry: dials a phone-book entry by position and waits until it is
// connected, has failed, or was cancelled through the cancel file.
#include <cstring>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "remote_access/binding.h"
#include "remote_access/byte_text.h"
#include "remote_access/connections.h"
#include "remote_access/dial_notifier.h"
#include "remote_access/dial_values.h"
#include "remote_access/entry_names.h"
#include "remote_access/export_edge.h"
#include "remote_access/library_export.h"
#include "remote_access/nelvoras.h"
#include "remote_access/notification_hold.h"
#include "status/error_status.h"
#include "status/numbered_files.h"

namespace {

// Status polls after the first query, one a second: about 86 s in all.
const int16_t kPollBudget = 85;
const uint32_t kPollIntervalMs = 1000;
// The longest a dial waits for the notification of the state it ended in.
const uint32_t kNotificationWaitMs = 1000;

// Overwrites the bytes of a byte string with zeros; nullptr is allowed.
void ClearByteString(NELVO_BSTR text) {
  if (text != nullptr) PlatformClearSecret(text, PlatformByteStringLength(text));
}

// Releases the caller's three strings on every path out of the dial, the
// password cleared first.
struct DialArguments {
  NELVO_BSTR phone_number;
  NELVO_BSTR user_name;
  NELVO_BSTR password;
  ~DialArguments() {
    PlatformFreeByteString(phone_number);
    PlatformFreeByteString(user_name);
    ClearByteString(password);
    PlatformFreeByteString(password);
  }
};

// The dial parameters, with the password in them, cleared on every path out
// of the dial; the dial clears them as soon as RasDialA has taken them.
struct ClearedDialParams {
  RASDIALPARAMS params;
  ~ClearedDialParams() { Clear(); }
  void Clear() { PlatformClearSecret(&params, sizeof params); }
};

std::string_view ByteStringText(NELVO_BSTR text) {
  if (text == nullptr) {
    return {};
  }
  return std::string_view(reinterpret_cast<const char*>(text), PlatformByteStringLength(text));
}

// Copies text into a fixed field: cut to the field, NUL after it.
template <size_t N>
void SetField(char (&field)[N], std::string_view text) {
  size_t length = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

// Replaces a field with the caller's value unless that is empty.
template <size_t N>
void OverrideField(char (&field)[N], std::string_view value) {
  if (!value.empty()) {
    SetField(field, value);
  }
}

int32_t QueryStatus(RASCONNSTATUS& status) {
  status.dwSize = sizeof(RASCONNSTATUS);
  return CallRasGetConnectStatus(ConnectionHandle, &status);
}

// A failure code as a dial result: minus its absolute value.
int32_t NegativeResult(int32_t code) {
  return code < 0 ? code : -code;
}

// True when the cancel file exists and may be opened for reading with no
// sharing; any failure to open reads as no request.
bool CancelRequested(ErrorStatus& status) {
  status.value = 0;
  OpenForReading(kCancelProbeFile, CancelFileName, status);
  bool requested = status.value == 0;
  CloseNumberedFile(kCancelProbeFile, status);
  return requested;
}

// Fills the dial parameters of the entry at the position; 0 or the
// negative result of a dial that cannot start.
int32_t PrepareDialParameters(int32_t index, const DialArguments& arguments,
                              RASDIALPARAMS& params) {
  EntryList entries;
  int32_t count = LoadEntryNames(entries);
  if (count < 1 || index < 1 || index > count) {
    return -RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
  std::memset(&params, 0, sizeof params);
  params.dwSize = sizeof(RASDIALPARAMS);
  const RASENTRYNAME& entry = entries[index - 1];
  SetField(params.szEntryName, TrimmedField(entry.szEntryName, sizeof entry.szEntryName));
  int32_t password_stored = 0;
  int32_t result = CallRasGetEntryDialParams(nullptr, &params, &password_stored);
  if (result != 0) {
    return NegativeResult(result);
  }
  OverrideField(params.szPhoneNumber, ByteStringText(arguments.phone_number));
  OverrideField(params.szUserName, ByteStringText(arguments.user_name));
  OverrideField(params.szPassword, ByteStringText(arguments.password));
  return 0;
}

// How the wait for a dial ended: its result, and the state the last
// status query that answered showed (kNoStateSeen when none answered).
struct DialOutcome {
  int32_t result;
  uint32_t last_state;
};
const uint32_t kNoStateSeen = 0xFFFFFFFFu;

// Queries the status; a query that answers updates the state seen.
int32_t QueryStatusSeen(RASCONNSTATUS& status, uint32_t& last_state) {
  int32_t result = QueryStatus(status);
  if (result == 0) last_state = status.rasconnstate;
  return result;
}

// Waits for the dial that has just been started and returns its result;
// the caller hangs up a dial that did not connect.
DialOutcome AwaitDial() {
  ErrorStatus error_status;
  RASCONNSTATUS status;
  std::memset(&status, 0, sizeof status);
  uint32_t last_state = kNoStateSeen;
  PlatformSleep(kPollIntervalMs);
  int32_t result = QueryStatusSeen(status, last_state);
  for (int16_t budget = kPollBudget; budget > 0 && result == 0;) {
    PlatformSleep(kPollIntervalMs);
    result = QueryStatusSeen(status, last_state);
    --budget;
    if (status.rasconnstate == RASCS_Connected || result != 0) {
      break;
    }
    if (CancelRequested(error_status)) {
      result = RAS_ERROR_NO_CONNECTION;
    }
  }
  if (result == 0) {
    result = QueryStatusSeen(status, last_state);
  }
  if (result == 0 && status.rasconnstate == RASCS_Connected) {
    return {0, last_state};
  }
  // Not connected: the failure the service gave, else the time ran out.
  if (result == 0) {
    result = status.dwError != 0 ? static_cast<int32_t>(status.dwError) : RAS_ERROR_REQUEST_TIMEOUT;
  }
  return {NegativeResult(result), last_state};
}

// The notifier may be told of the state a poll has already seen a moment
// later: its line and status are awaited, boundedly, before the gate shuts,
// so no state of the dial up to the one that ended it is dropped.
void AwaitLastNotification(uint32_t last_state) {
  if (DialCallbackAddress != nullptr && last_state != kNoStateSeen) {
    AwaitNotifiedState(last_state, kNotificationWaitMs);
  }
}

// A dial under way. Ending it hangs up an attempt that did not connect,
// lets the library go when nothing can notify any more, and shuts the
// notification gate. A wait that ends in an exception ends it as failed,
// so no link is left up that the caller was told failed.
class StartedDial {
 public:
  explicit StartedDial(bool notifying) : notifying_(notifying) {
    if (notifying_) BeginNotifyingDial();
  }
  ~StartedDial() {
    if (!ended_) End(false);
  }
  StartedDial(const StartedDial&) = delete;
  StartedDial& operator=(const StartedDial&) = delete;

  // Each step is tried on its own, so that one failing does not skip the
  // others.
  void End(bool connected) noexcept {
    ended_ = true;
    if (!connected) Try([] { HangUpAndWait(ConnectionHandle); });
    if (notifying_) Try([connected] { EndNotifyingDial(connected, ConnectionHandle); });
    Try([] { CloseNotificationGate(); });
  }

 private:
  template <typename Step>
  static void Try(Step step) noexcept {
    try {
      step();
    } catch (...) {
    }
  }

  bool notifying_;
  bool ended_ = false;
};

// The dial itself; may throw, which the export turns into a result.
int32_t DialEntry(int32_t index, const DialArguments& arguments) {
  ClearedDialParams dial_params;
  RASDIALPARAMS& params = dial_params.params;
  int32_t result = PrepareDialParameters(index, arguments, params);
  // The caller's password now lives in the parameters only.
  ClearByteString(arguments.password);
  if (result != 0) {
    return result;
  }
  RASDIALEXTENSIONS extensions = {sizeof(RASDIALEXTENSIONS), 0, 0, 0};
  ConnectionHandle = 0;
  OpenNotificationGate();
  StartedDial dial(DialCallbackAddress != nullptr);
  // Whether the dial got under way shows in the status queries that follow.
  // RasDialA copies what it needs of the parameters before it returns.
  CallRasDial(&extensions, nullptr, &params, 0, DialCallbackAddress, &ConnectionHandle);
  dial_params.Clear();
  DialOutcome outcome = AwaitDial();
  AwaitLastNotification(outcome.last_state);
  dial.End(outcome.result == 0);
  return outcome.result;
}

}  // namespace

// rsDialEntry (exported)
extern "C" NELVO_EXPORT int32_t NELVO_API rsDialEntry(int32_t index, NELVO_BSTR phoneNumber,
                                                      NELVO_BSTR userName,
                                                      NELVO_BSTR password) noexcept {
  DialArguments arguments{phoneNumber, userName, password};
  try {
    return DialEntry(index, arguments);
  } catch (...) {
    return -HandledExceptionCode();
  }
}
