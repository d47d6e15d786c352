// The file that dials flock, opened so that nothing another local user can
// place at its path hangs the open, fails it silently or takes the lock
// over: a folder only root may write to, and in it a regular file of
// root's. The package makes both (a tmpfiles.d entry); a run as root makes
// them where they are missing, with exact modes whatever its umask.
#ifndef NELVO_NM_LOCK_FILE_H
#define NELVO_NM_LOCK_FILE_H

#include <string>

namespace nmras {

constexpr const char* kLockFolder = "/run/lock/nelvo";
constexpr const char* kLockName = "dial.lock";

// Opens folder/name read-only (enough for flock, so any user may take the
// lock). Returns the descriptor, or -1 with why set to one line that names
// the path and the reason it cannot be trusted or made.
int OpenLockFile(const std::string& folder, const char* name, std::string& why);

}  // namespace nmras

#endif
