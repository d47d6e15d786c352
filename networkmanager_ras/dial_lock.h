// One dial at a time, machine-wide, between looking for the entry's link or
// a free device and NetworkManager showing the new activation on it: two
// nelvo runs started at the same moment would otherwise both see the same
// modem free, and the later activation would replace the earlier one.
// The lock is an flock on a file under /run/lock, so a holder that dies
// releases it, and any user may take it (a read-only open suffices).
#ifndef NELVO_NM_DIAL_LOCK_H
#define NELVO_NM_DIAL_LOCK_H

#include <chrono>

namespace nmras {

class DialLock {
 public:
  // Waits at most bound for the lock. Without it (no lock folder, or a
  // holder that keeps it past the bound) the dial goes on unserialised:
  // a stuck or hostile holder must not stop every dial on the machine.
  explicit DialLock(std::chrono::milliseconds bound);
  ~DialLock();
  DialLock(const DialLock&) = delete;
  DialLock& operator=(const DialLock&) = delete;

  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace nmras

#endif
