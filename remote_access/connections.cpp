// Active connections: LoadActiveConnections, HangUpAndWait and their four
// exported functions.
#include "remote_access/connections.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "remote_access/binding.h"
#include "remote_access/byte_text.h"
#include "remote_access/export_edge.h"
#include "remote_access/library_export.h"
#include "remote_access/nelvoras.h"
#include "remote_access/notification_hold.h"

namespace {

// While the service still knows a hung-up connection, ask again this often.
const uint32_t kHangUpPollMilliseconds = 5;
// A service that never lets a connection go (Wine's own rasapi32 answers
// every status query with success) must not hold the caller for ever: give
// up after 2000 polls, 5 ms apart, which is at least 10 seconds.
const int kHangUpPollLimit = 2000;

// The record at a position counted from 1, nullptr when out of range.
const RASCONN* ConnectionAt(const ConnectionList& connections, int32_t count, int32_t index) {
  if (index < 1 || index > count) return nullptr;
  return &connections[static_cast<size_t>(index) - 1];
}

}  // namespace

// LoadActiveConnections
int32_t LoadActiveConnections(ConnectionList& connections) {
  if (connections.empty()) connections.resize(kConnectionListSize);
  uint32_t size = static_cast<uint32_t>(connections.size() * sizeof(RASCONN));
  uint32_t count = 0;
  connections[0].dwSize = sizeof(RASCONN);
  if (CallRasEnumConnections(connections.data(), &size, &count) != 0) return 0;
  // A count beyond the records handed over would send callers past the list.
  return static_cast<int32_t>(std::min<uint32_t>(count, static_cast<uint32_t>(connections.size())));
}

// HangUpAndWait
int32_t HangUpAndWait(HRASCONN handle) {
  bool requested = false;
  int32_t result = TryCallRasHangUp(handle, &requested);
  // Without the library or its hang-up function nothing was asked of the
  // service: say so instead of reporting the link as hung up.
  if (!requested) return RAS_ERROR_PROC_NOT_FOUND;
  RASCONNSTATUS status;
  memset(&status, 0, sizeof(status));
  for (int polls = 1;; ++polls) {
    status.dwSize = sizeof(RASCONNSTATUS);
    bool available = false;
    int32_t query = TryCallRasGetConnectStatus(handle, &status, &available);
    PlatformSleep(kHangUpPollMilliseconds);
    // Without the status function its 0 would read as "still there" for ever.
    if (!available) return result;
    if (query != 0) {
      ForgetNotifyingConnection(handle);
      return result;
    }
    if (polls >= kHangUpPollLimit) return result != 0 ? result : RAS_ERROR_REQUEST_TIMEOUT;
  }
}

// rsActiveConnections
NELVO_EXPORT int32_t NELVO_API rsActiveConnections(void) noexcept {
  return AtExportEdge<int32_t>(0, [] {
    ConnectionList connections;
    return LoadActiveConnections(connections);
  });
}

// rsGetConnectionName
NELVO_EXPORT NELVO_BSTR NELVO_API rsGetConnectionName(int32_t index) noexcept {
  return AtExportEdge<NELVO_BSTR>(nullptr, [index]() -> NELVO_BSTR {
    ConnectionList connections;
    const RASCONN* connection =
        ConnectionAt(connections, LoadActiveConnections(connections), index);
    if (connection == nullptr) return nullptr;
    return NewByteString(TrimmedField(connection->szEntryName, sizeof(connection->szEntryName)));
  });
}

// rsGetConnectionHandle
NELVO_EXPORT int32_t NELVO_API rsGetConnectionHandle(int32_t index) noexcept {
  return AtExportEdge<int32_t>(0, [index] {
    ConnectionList connections;
    const RASCONN* connection =
        ConnectionAt(connections, LoadActiveConnections(connections), index);
    return connection == nullptr ? 0 : static_cast<int32_t>(connection->hrasconn);
  });
}

// rsHangUpConnection: a failure inside gives its code, never 0.
NELVO_EXPORT int32_t NELVO_API rsHangUpConnection(int32_t handle) noexcept {
  try {
    return HangUpAndWait(static_cast<HRASCONN>(handle));
  } catch (...) {
    return HandledExceptionCode();
  }
}
