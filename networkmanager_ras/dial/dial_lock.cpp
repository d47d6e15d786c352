// The machine-wide dial lock: a non-blocking flock tried every few
// milliseconds until the bound, so the wait never outlasts it.
#include "networkmanager_ras/dial/dial_lock.h"

#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <string>
#include <system_error>
#include <thread>

#include "networkmanager_ras/dial/lock_file.h"

namespace nmras {
namespace {

constexpr std::chrono::milliseconds kRetry(10);

// Tells the user, once a process, that dials are not serialised and why: a
// lock turned off must not go unnoticed.
void SayUnserialised(const std::string& why) {
  static std::atomic<bool> said(false);
  if (said.exchange(true)) return;
  std::fprintf(stderr, "%s: %s; dialling without the machine-wide dial lock\n",
               program_invocation_short_name, why.c_str());
}

// Takes the lock on fd within the wait bound; "" when taken, else why not.
std::string Take(int fd) {
  auto until = std::chrono::steady_clock::now() + kDialLockWait;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      return std::error_code(errno, std::generic_category()).message();
    }
    if (std::chrono::steady_clock::now() >= until) {
      return "held by another process for over " + std::to_string(kDialLockWait.count() / 1000) +
             " s";
    }
    std::this_thread::sleep_for(kRetry);
  }
  return "";
}

}  // namespace

DialLock::DialLock() {
  std::string why;
  int fd = OpenLockFile(kLockFolder, kLockName, why);
  if (fd >= 0) {
    std::string busy = Take(fd);
    if (busy.empty()) {
      fd_ = fd;
      until_ = std::chrono::steady_clock::now() + kDialLockHold;
      return;
    }
    close(fd);
    why = std::string(kLockFolder) + "/" + kLockName + ": " + busy;
  }
  SayUnserialised(why);
}

DialLock::~DialLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

uint64_t DialLock::RemainingUsec() const {
  if (!held()) return std::numeric_limits<uint64_t>::max();
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(
      until_ - std::chrono::steady_clock::now());
  return left.count() > 1 ? static_cast<uint64_t>(left.count()) : 1;
}

}  // namespace nmras
