// Shared by the POSIX files of the platform layer only.
#pragma once

#include <cstdint>
#include <mutex>

// The one process-wide lock held around every file-system call.
std::mutex& FileSystemMutex();
// Remembers the Windows code of the calling thread's last failure.
void SetLastPlatformError(uint32_t code);
// The Windows code for errno after a call on the file named (nullptr when
// the call took no name): a missing parent folder gives 3, not 2.
uint32_t WindowsCodeForErrno(int error, const char* name);
