// The IPC status record.
#include "status/ipc_status.h"

#include <cstring>
#include <mutex>

#include "status/numbered_files.h"
#include "status/output_lock.h"

std::atomic<int16_t> IpcEnabled{0};
char IpcStatusRecord[kIpcRecordLength];

// FillIpcStatusRecord: cut or padded to exactly 64 bytes.
void FillIpcStatusRecord(std::string_view text, char (&record)[kIpcRecordLength]) {
  size_t length = text.size() < kIpcRecordLength ? text.size() : kIpcRecordLength;
  std::memcpy(record, text.data(), length);
  std::memset(record + length, ' ', kIpcRecordLength - length);
}

// OpenIpcFile: other programs may read and write it while the run goes on.
void OpenIpcFile(std::string_view ipc_file_name, ErrorStatus& status) {
  FileOpening how = {
      kFileRecords,    kAccessRead | kAccessWrite, kShareRead | kShareWrite, kOpenAlways, false,
      kIpcRecordLength};
  OpenNumberedFile(kIpcFile, ipc_file_name, how, status);
}

// WriteIpcStatus: bytes past the first 64 of an older file stay as they were.
void WriteIpcStatus(std::string_view text, ErrorStatus& status) {
  if (IpcEnabled.load() == 0) return;
  // The notifier's thread and the run both write; each record goes whole.
  std::lock_guard<std::recursive_mutex> hold(StatusOutputLock());
  FillIpcStatusRecord(text, IpcStatusRecord);
  WriteFileRecord(kIpcFile, 0, std::string_view(IpcStatusRecord, kIpcRecordLength), status);
}
