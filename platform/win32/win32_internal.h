// Shared by the Windows files of the platform layer only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

// Held around every file-system call: takes the process-wide lock and
// switches off the critical-error and open-file message boxes, restoring
// the previous error mode when it ends.
class FileSystemCall {
 public:
  FileSystemCall();
  ~FileSystemCall();
  FileSystemCall(const FileSystemCall&) = delete;
  FileSystemCall& operator=(const FileSystemCall&) = delete;

 private:
  std::lock_guard<std::mutex> lock_;
  UINT previous_mode_;
};

// Remembers GetLastError() of the call just made, for PlatformLastError.
void KeepLastError();
