// The open-file table.
#include "status/numbered_files.h"

#include <mutex>
#include <vector>

namespace {

struct OpenFile {
  int number;
  PlatformFile handle;
  FileMode mode;
  bool disk;
  uint32_t record_length;
  bool adopted;
};

// In the order opened, so closing can go backwards.
std::vector<OpenFile>& Table() {
  static std::vector<OpenFile>* table = new std::vector<OpenFile>;
  return *table;
}

std::mutex& TableMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

OpenFile* Find(int number) {
  for (OpenFile& file : Table()) {
    if (file.number == number) return &file;
  }
  return nullptr;
}

void SetSystemError(ErrorStatus& status) {
  SetErrorStatus(status, MapSystemError(PlatformLastError()));
}

// Position 0 and the end of the file there.
void EmptyFile(PlatformFile handle, ErrorStatus& status) {
  if (!PlatformSeekFile(handle, 0) || !PlatformSetEndOfFile(handle)) SetSystemError(status);
}

// One system write; a short one counts against the disk or the device.
void WriteBytes(const OpenFile& file, std::string_view bytes, ErrorStatus& status) {
  if (bytes.empty()) return;
  uint32_t written = 0;
  uint32_t size = static_cast<uint32_t>(bytes.size());
  if (!PlatformWriteFile(file.handle, bytes.data(), size, &written)) {
    SetSystemError(status);
  } else if (written != size) {
    SetErrorStatus(status, file.disk ? kErrorDiskFull : kErrorDeviceShortWrite);
  }
}

void Close(const OpenFile& file, ErrorStatus& status) {
  if (file.adopted) return;
  if (file.mode == kFileOutput && file.disk && !PlatformSetEndOfFile(file.handle)) {
    SetSystemError(status);
  }
  if (!PlatformCloseFile(file.handle)) SetSystemError(status);
}

}  // namespace

// IsUsableFileName: also refuses over-long names rather than opening a cut one.
bool IsUsableFileName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxFileNameLength &&
         name.find_first_of(std::string_view("*?\0", 3)) == std::string_view::npos;
}

// OpenNumberedFile: checks the name and the number, then opens.
bool OpenNumberedFile(int number, std::string_view name, const FileOpening& how,
                      ErrorStatus& status) {
  if (!IsUsableFileName(name)) {
    SetErrorStatus(status, kErrorBadFileName);
    return false;
  }
  std::lock_guard<std::mutex> lock(TableMutex());
  if (Find(number) != nullptr) {
    SetErrorStatus(status, kErrorFileAlreadyOpen);
    return false;
  }
  std::string path(name);
  PlatformFile handle = PlatformOpenFile(path.c_str(), how.access, how.share, how.creation);
  if (handle == kNoFile) {
    SetSystemError(status);
    return false;
  }
  bool disk = PlatformIsDiskFile(handle);
  if (how.empty_disk_file && disk) EmptyFile(handle, status);
  Table().push_back({number, handle, how.mode, disk, how.record_length, false});
  return true;
}

// AdoptStandardOutput: emptied even when the shell opened it for appending.
bool AdoptStandardOutput(int number, ErrorStatus& status) {
  std::lock_guard<std::mutex> lock(TableMutex());
  if (Find(number) != nullptr) {
    SetErrorStatus(status, kErrorFileAlreadyOpen);
    return false;
  }
  PlatformFile handle = PlatformStandardOutput();
  if (handle == kNoFile) {
    SetSystemError(status);
    return false;
  }
  bool disk = PlatformIsDiskFile(handle);
  if (disk) EmptyFile(handle, status);
  Table().push_back({number, handle, kFileOutput, disk, 0, true});
  return true;
}

// OpenForReading: read access, no sharing, an existing disk file only, so
// that a folder or a pipe at the name never counts and never blocks.
bool OpenForReading(int number, std::string_view name, ErrorStatus& status) {
  FileOpening how = {kFileInput, kAccessRead, kShareNone, kOpenExistingDiskFile, false, 0};
  return OpenNumberedFile(number, name, how, status);
}

// WriteNumberedFile: 52 when not open, 54 when not an output file.
void WriteNumberedFile(int number, std::string_view bytes, ErrorStatus& status) {
  std::lock_guard<std::mutex> lock(TableMutex());
  const OpenFile* file = Find(number);
  if (file == nullptr) {
    SetErrorStatus(status, kErrorFileNotOpen);
  } else if (file->mode != kFileOutput) {
    SetErrorStatus(status, kErrorWrongFileMode);
  } else {
    WriteBytes(*file, bytes, status);
  }
}

// WriteFileRecord: seeks to the record, then one write.
void WriteFileRecord(int number, uint32_t record, std::string_view bytes, ErrorStatus& status) {
  std::lock_guard<std::mutex> lock(TableMutex());
  const OpenFile* file = Find(number);
  if (file == nullptr) {
    SetErrorStatus(status, kErrorFileNotOpen);
  } else if (file->mode != kFileRecords) {
    SetErrorStatus(status, kErrorWrongFileMode);
  } else if (!PlatformSeekFile(file->handle, record * file->record_length)) {
    SetSystemError(status);
  } else {
    WriteBytes(*file, bytes, status);
  }
}

// DeleteNamedFile: no wildcards, so at most one file goes.
void DeleteNamedFile(std::string_view name, ErrorStatus& status) {
  if (!IsUsableFileName(name)) {
    SetErrorStatus(status, kErrorBadFileName);
    return;
  }
  std::string path(name);
  if (!PlatformDeleteFile(path.c_str())) SetSystemError(status);
}

// IsFileOpen: a look in the table.
bool IsFileOpen(int number) {
  std::lock_guard<std::mutex> lock(TableMutex());
  return Find(number) != nullptr;
}

// CloseNumberedFile: removes the number from the table.
void CloseNumberedFile(int number, ErrorStatus& status) {
  std::lock_guard<std::mutex> lock(TableMutex());
  std::vector<OpenFile>& table = Table();
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].number == number) {
      Close(table[i], status);
      table.erase(table.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

// CloseAllFiles: newest first.
void CloseAllFiles(ErrorStatus& status) {
  std::lock_guard<std::mutex> lock(TableMutex());
  std::vector<OpenFile>& table = Table();
  while (!table.empty()) {
    Close(table.back(), status);
    table.pop_back();
  }
}

// CloseAllFiles: for callers that keep no error number.
void CloseAllFiles() {
  ErrorStatus ignored;
  CloseAllFiles(ignored);
}
