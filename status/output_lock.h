// One lock for the status outputs. The service's notifier thread and the
// run both write report lines and IPC status; whoever holds this lock
// writes whole lines and whole records.
#pragma once

#include <mutex>

std::recursive_mutex& StatusOutputLock();
