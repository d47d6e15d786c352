// One dial at a time, machine-wide, between looking for the entry's link or
// a free device and NetworkManager showing the new activation on it: two
// nelvo runs started at the same moment would otherwise both see the same
// modem free, and the later activation would replace the earlier one.
// The lock is an flock on a file of root's (lock_file.h), so a holder that
// dies releases it, and any user may take it (a read-only open suffices).
// A holder keeps it at most kDialLockHold, bounding each call it makes
// under the lock by RemainingUsec(); a waiter waits longer than that, so a
// live holder always lets go before a waiter gives up.
#ifndef NELVO_NM_DIAL_LOCK_H
#define NELVO_NM_DIAL_LOCK_H

#include <chrono>
#include <cstdint>

namespace nmras {

constexpr std::chrono::milliseconds kDialLockHold(30 * 1000);
constexpr std::chrono::milliseconds kDialLockWait(35 * 1000);
static_assert(kDialLockWait > kDialLockHold, "a waiter must outwait every holder");

class DialLock {
 public:
  // Waits at most kDialLockWait for the lock. Without it (a lock that
  // cannot be trusted or made, or a holder past the bound) the dial goes
  // on unserialised and says so once on standard error: a stuck or hostile
  // holder must not stop every dial on the machine.
  DialLock();
  ~DialLock();
  DialLock(const DialLock&) = delete;
  DialLock& operator=(const DialLock&) = delete;

  bool held() const { return fd_ >= 0; }

  // Microseconds left of the hold bound. At least 1 while held, so that it
  // can be a bus call's timeout as it is (0 there means the bus's default
  // of 25 s); UINT64_MAX when not held, which bounds nothing.
  uint64_t RemainingUsec() const;

 private:
  int fd_ = -1;
  std::chrono::steady_clock::time_point until_;
};

}  // namespace nmras

#endif
