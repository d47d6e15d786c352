// Opening the dial lock: never following a link, never waiting on a FIFO
// (O_NONBLOCK), and trusting only what fstat shows to be root's.
#include "networkmanager_ras/dial/lock_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace nmras {
namespace {

constexpr int kFileFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
constexpr int kFolderFlags = kFileFlags | O_DIRECTORY;

std::string Message(int error) {
  return std::error_code(error, std::generic_category()).message();
}

// Why name in at could not be opened: what is there instead, or the error.
std::string OpenFailure(int error, int at, const char* name) {
  struct stat st {};
  if ((error == ELOOP || error == ENOTDIR) && fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(st.st_mode)) return "a symbolic link";
    if (S_ISFIFO(st.st_mode)) return "a FIFO";
    if (!S_ISDIR(st.st_mode)) return "not a folder";
  }
  return Message(error);
}

// What makes the object open at fd unfit for the lock; "" when nothing.
std::string Distrust(int fd, bool folder) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return Message(errno);
  if (!folder && !S_ISREG(st.st_mode)) return "not a regular file";
  if (st.st_uid != 0) return "owned by uid " + std::to_string(st.st_uid) + ", not by root";
  if (folder && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "writable by group or others";
  return "";
}

// Gives a new object root's ownership and exactly mode: fchmod, which no
// umask narrows. Returns fd, or -1 (closed) when that fails.
int Own(int fd, mode_t mode) {
  if (fd < 0 || (fchown(fd, 0, 0) == 0 && fchmod(fd, mode) == 0)) return fd;
  int error = errno;
  close(fd);
  errno = error;
  return -1;
}

// Made private first, so that no one opens them before their mode is set.
// One that appears meanwhile (another root dial) is opened and checked.
int MakeFolder(int at, const char* name) {
  if (mkdirat(at, name, 0700) != 0) return errno == EEXIST ? openat(at, name, kFolderFlags) : -1;
  return Own(openat(at, name, kFolderFlags), 0755);
}

int MakeFile(int at, const char* name) {
  int fd = openat(at, name, kFileFlags | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return errno == EEXIST ? openat(at, name, kFileFlags) : -1;
  return Own(fd, 0644);
}

// Opens name in at; run as root, makes it where it is missing.
int OpenOrMake(int at, const char* name, bool folder) {
  int fd = openat(at, name, folder ? kFolderFlags : kFileFlags);
  if (fd >= 0 || errno != ENOENT || geteuid() != 0) return fd;
  return folder ? MakeFolder(at, name) : MakeFile(at, name);
}

// The descriptor of name in at when it can be trusted, else -1 with why.
int OpenTrusted(int at, const char* name, bool folder, const std::string& path, std::string& why) {
  int fd = OpenOrMake(at, name, folder);
  std::string reason = fd < 0 ? OpenFailure(errno, at, name) : Distrust(fd, folder);
  if (reason.empty()) return fd;
  if (fd >= 0) close(fd);
  why = path + ": " + reason;
  return -1;
}

}  // namespace

int OpenLockFile(const std::string& folder, const char* name, std::string& why) {
  int at = OpenTrusted(AT_FDCWD, folder.c_str(), true, folder, why);
  if (at < 0) return -1;
  int fd = OpenTrusted(at, name, false, folder + "/" + name, why);
  close(at);
  return fd;
}

}  // namespace nmras
