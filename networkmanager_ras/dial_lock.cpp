// The machine-wide dial lock: a non-blocking flock tried every few
// milliseconds until the bound, so the wait never outlasts it.
#include "networkmanager_ras/dial_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace nmras {
namespace {

constexpr const char* kLockFile = "/run/lock/nelvo-dial.lock";
constexpr std::chrono::milliseconds kRetry(10);

// Opens the lock file, creating it readable by all. An existing file of
// another user is opened without O_CREAT, which the kernel's
// protected_regular rule refuses in a sticky folder.
int OpenLockFile() {
  int fd = open(kLockFile, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0 && errno == ENOENT) {
    fd = open(kLockFile, O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  }
  if (fd < 0 && errno == EACCES) fd = open(kLockFile, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  return fd;
}

}  // namespace

DialLock::DialLock(std::chrono::milliseconds bound) {
  int fd = OpenLockFile();
  if (fd < 0) return;
  auto until = std::chrono::steady_clock::now() + bound;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= until) {
      close(fd);
      return;
    }
    std::this_thread::sleep_for(kRetry);
  }
  fd_ = fd;
}

DialLock::~DialLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

}  // namespace nmras
