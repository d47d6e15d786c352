// The status-output lock.
#include "status/output_lock.h"

std::recursive_mutex& StatusOutputLock() {
  static std::recursive_mutex lock;
  return lock;
}
