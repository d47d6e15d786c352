// The process-wide table of open files, addressed by small numbers. Each
// operation runs under the table's lock; failures only set ErrorStatus.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "status/error_status.h"

// The numbers in use. They are the file numbers of the BASIC program this
// one descends from (1 report, 2 IPC, 4 cancel probe); they stay so that
// the code reads against that program's behaviour line by line.
enum FileNumber { kReportFile = 1, kIpcFile = 2, kCancelProbeFile = 4 };

// Output files take report lines; record files take fixed-size records;
// input files are only opened and closed.
enum FileMode { kFileOutput, kFileRecords, kFileInput };

// How to open a file by name.
struct FileOpening {
  FileMode mode;
  unsigned access;
  unsigned share;
  PlatformCreation creation;
  bool empty_disk_file;    // position 0 and end of file there, once open
  uint32_t record_length;  // kFileRecords only
};

// Longest file name that is opened at all.
const size_t kMaxFileNameLength = 255;

// False for names that are never opened: empty, longer than 255 bytes, or
// holding an asterisk, a question mark or a NUL byte.
bool IsUsableFileName(std::string_view name);
// Opens a file by name as the number; 64 for an unusable name, 55 when the
// number is taken, else the mapped system error on failure.
bool OpenNumberedFile(int number, std::string_view name, const FileOpening& how,
                      ErrorStatus& status);
// Takes standard output as an output file that is never closed; a disk
// file is emptied, a console or pipe left alone.
bool AdoptStandardOutput(int number, ErrorStatus& status);
// Opens an existing disk file for reading, no sharing, never waiting (the
// cancel probe); a folder, pipe or device at the name fails.
bool OpenForReading(int number, std::string_view name, ErrorStatus& status);
// Writes the bytes with one system write to an output file.
void WriteNumberedFile(int number, std::string_view bytes, ErrorStatus& status);
// Writes one record at its position in a record file.
void WriteFileRecord(int number, uint32_t record, std::string_view bytes, ErrorStatus& status);
// Deletes the one file named; an unusable name gives 64 and deletes nothing.
void DeleteNamedFile(std::string_view name, ErrorStatus& status);
// Whether the number is open.
bool IsFileOpen(int number);
// Closes one number; an output disk file is cut at its position first, an
// adopted handle stays open. A number that is not open is left alone.
void CloseNumberedFile(int number, ErrorStatus& status);
// Closes every open number, the most recently opened first.
void CloseAllFiles(ErrorStatus& status);
void CloseAllFiles();
