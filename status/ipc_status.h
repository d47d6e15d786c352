// The IPC file: one 64-byte status record at offset 0 that other programs
// may read at any time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "status/error_status.h"

const uint32_t kIpcRecordLength = 64;

// Set once the run has tried to open the IPC file; status writes happen
// only while it is not 0.
extern std::atomic<int16_t> IpcEnabled;
// The latest status, blank-padded, no end marker.
extern char IpcStatusRecord[kIpcRecordLength];

// Fills a record from the text: its first 64 bytes, blanks after them.
void FillIpcStatusRecord(std::string_view text, char (&record)[kIpcRecordLength]);
// Opens file number 2 by name: read and write, shared for both, created
// when missing, never emptied.
void OpenIpcFile(std::string_view ipc_file_name, ErrorStatus& status);
// Writes the text as the record at offset 0 while IpcEnabled is set.
void WriteIpcStatus(std::string_view text, ErrorStatus& status);
