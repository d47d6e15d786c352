// The reference the dial keeps while notifications can still arrive.
#include "remote_access/notification_hold.h"

#include <mutex>

#include "platform/platform.h"
#include "remote_access/binding.h"
#include "remote_access/connections.h"

namespace {

struct NotificationHold {
  std::mutex lock;
  PlatformModule module = nullptr;
  int dials_in_progress = 0;
  // Connected links that may still notify; when more are up than fit, the
  // reference is kept for the rest of the process.
  HRASCONN links[kConnectionListSize] = {};
  uint32_t link_count = 0;
  bool overflowed = false;
};

NotificationHold& Hold() {
  static NotificationHold* hold = new NotificationHold;
  return *hold;
}

// Drops the reference once nothing can call back any more. Lock held.
void ReleaseWhenIdle(NotificationHold& hold) {
  if (hold.module == nullptr || hold.dials_in_progress > 0 || hold.link_count > 0 ||
      hold.overflowed) {
    return;
  }
  PlatformFreeModule(hold.module);
  hold.module = nullptr;
}

}  // namespace

void BeginNotifyingDial() {
  NotificationHold& hold = Hold();
  std::lock_guard<std::mutex> guard(hold.lock);
  if (hold.module == nullptr) hold.module = PlatformLoadModule(kRasLibraryName);
  ++hold.dials_in_progress;
}

void EndNotifyingDial(bool connected, HRASCONN handle) {
  NotificationHold& hold = Hold();
  std::lock_guard<std::mutex> guard(hold.lock);
  if (hold.dials_in_progress > 0) --hold.dials_in_progress;
  if (connected) {
    if (hold.link_count < kConnectionListSize) {
      hold.links[hold.link_count++] = handle;
    } else {
      hold.overflowed = true;
    }
  }
  ReleaseWhenIdle(hold);
}

void ForgetNotifyingConnection(HRASCONN handle) {
  NotificationHold& hold = Hold();
  std::lock_guard<std::mutex> guard(hold.lock);
  for (uint32_t i = 0; i < hold.link_count; ++i) {
    if (hold.links[i] == handle) {
      hold.links[i] = hold.links[--hold.link_count];
      ReleaseWhenIdle(hold);
      return;
    }
  }
}
