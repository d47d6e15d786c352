// The platform's file calls, answered from memory. Names are filed without
// regard to case, as Windows does; sharing is enforced between the handles
// of this process, and a "held" file stands for one another program keeps
// open without sharing.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "tests/fuzz/memory_world.h"
#include "tests/fuzz/memory_world_internal.h"

namespace {

// Windows system error codes the memory files give.
const uint32_t kFileNotFound = 2;
const uint32_t kPathNotFound = 3;
const uint32_t kInvalidHandle = 6;
const uint32_t kSharingViolation = 32;
const uint32_t kDiskFull = 112;
const uint32_t kInvalidName = 123;

// Handle values: standard output is 1, named files start here.
const PlatformFile kFirstNamedHandle = 100;

thread_local uint32_t last_error = 0;

bool Fail(uint32_t code) {
  last_error = code;
  return false;
}

PlatformFile FailOpen(uint32_t code) {
  last_error = code;
  return kNoFile;
}

MemoryOpenFile* FindHandle(PlatformFile file) {
  std::vector<MemoryOpenFile>& handles = MemoryHandles();
  if (file < kFirstNamedHandle || file >= kFirstNamedHandle + PlatformFile(handles.size())) {
    return nullptr;
  }
  MemoryOpenFile* open = &handles[size_t(file - kFirstNamedHandle)];
  return open->key.empty() ? nullptr : open;
}

// Characters Windows refuses in a file name.
bool IsBadName(const std::string& name) {
  if (name.empty()) return true;
  for (unsigned char c : name) {
    if (c < 32 || c == '<' || c == '>' || c == '|' || c == '"') return true;
  }
  return false;
}

// A folder part naming "missing" stands for a folder that does not exist.
bool FolderMissing(const std::string& key) {
  size_t slash = key.find_last_of("\\/");
  return slash != std::string::npos && key.substr(0, slash).find("MISSING") != std::string::npos;
}

// Whether a new open with this access and sharing fits the opens already there.
bool SharingAllows(const std::string& key, unsigned access, unsigned share) {
  if (MemoryHeldKeys().count(key) != 0) return false;
  for (const MemoryOpenFile& other : MemoryHandles()) {
    if (other.key != key) continue;
    if ((access & kAccessRead) && !(other.share & kShareRead)) return false;
    if ((access & kAccessWrite) && !(other.share & kShareWrite)) return false;
    if ((other.access & kAccessRead) && !(share & kShareRead)) return false;
    if ((other.access & kAccessWrite) && !(share & kShareWrite)) return false;
  }
  return true;
}

}  // namespace

// Opens from memory; never truncates. Failures give the Windows codes.
PlatformFile PlatformOpenFile(const char* name, unsigned access, unsigned share,
                              PlatformCreation creation) {
  std::string text(name);
  if (IsBadName(text)) return FailOpen(kInvalidName);
  std::string key = WorldFileKey(text);
  if (FolderMissing(key)) return FailOpen(kPathNotFound);
  auto& files = MemoryFiles();
  if (files.count(key) == 0 && creation != kOpenAlways) return FailOpen(kFileNotFound);
  if (!SharingAllows(key, access, share)) return FailOpen(kSharingViolation);
  files[key];  // created when missing
  std::vector<MemoryOpenFile>& handles = MemoryHandles();
  MemoryOpenFile open;
  open.key = key;
  open.access = access;
  open.share = share;
  for (size_t i = 0; i < handles.size(); ++i) {
    if (handles[i].key.empty()) {
      handles[i] = open;
      return kFirstNamedHandle + PlatformFile(i);
    }
  }
  handles.push_back(open);
  return kFirstNamedHandle + PlatformFile(handles.size() - 1);
}

// Writes at the position, growing the file; a full disk takes nothing.
bool PlatformWriteFile(PlatformFile file, const void* data, uint32_t size, uint32_t* written) {
  *written = 0;
  if (file == 1 && MemoryStdoutKind() != kStdoutNone) {
    MemoryStdoutBytes().append(static_cast<const char*>(data), size);
    *written = size;
    return true;
  }
  MemoryOpenFile* open = FindHandle(file);
  if (open == nullptr) return Fail(kInvalidHandle);
  if (!(open->access & kAccessWrite)) return Fail(5);
  if (MemoryDiskFull()) return Fail(kDiskFull);
  std::string& bytes = MemoryFiles()[open->key].bytes;
  if (bytes.size() < size_t{open->position} + size) bytes.resize(size_t{open->position} + size);
  std::memcpy(&bytes[open->position], data, size);
  open->position += size;
  *written = size;
  return true;
}

bool PlatformSeekFile(PlatformFile file, uint32_t offset) {
  if (file == 1) return true;
  MemoryOpenFile* open = FindHandle(file);
  if (open == nullptr) return Fail(kInvalidHandle);
  open->position = offset;
  return true;
}

bool PlatformSetEndOfFile(PlatformFile file) {
  if (file == 1 && MemoryStdoutKind() == kStdoutDiskFile) {
    MemoryStdoutBytes().clear();  // emptied only ever at position 0
    return true;
  }
  MemoryOpenFile* open = FindHandle(file);
  if (open == nullptr) return Fail(kInvalidHandle);
  MemoryFiles()[open->key].bytes.resize(open->position);
  return true;
}

bool PlatformIsDiskFile(PlatformFile file) {
  if (file == 1) return MemoryStdoutKind() == kStdoutDiskFile;
  return FindHandle(file) != nullptr;
}

// Closing standard output is a fault of the caller: adopted handles stay open.
bool PlatformCloseFile(PlatformFile file) {
  if (file == 1) abort();
  MemoryOpenFile* open = FindHandle(file);
  if (open == nullptr) return Fail(kInvalidHandle);
  *open = MemoryOpenFile();
  return true;
}

// An open file cannot be deleted (no handle here shares deletion).
bool PlatformDeleteFile(const char* name) {
  std::string text(name);
  if (IsBadName(text)) return Fail(kInvalidName);
  std::string key = WorldFileKey(text);
  if (FolderMissing(key)) return Fail(kPathNotFound);
  auto& files = MemoryFiles();
  if (files.count(key) == 0) return Fail(kFileNotFound);
  if (!SharingAllows(key, kAccessRead | kAccessWrite, kShareNone)) {
    return Fail(kSharingViolation);
  }
  files.erase(key);
  return true;
}

PlatformFile PlatformStandardOutput() {
  if (MemoryStdoutKind() == kStdoutNone) return FailOpen(kInvalidHandle);
  return 1;
}

uint32_t PlatformLastError() {
  return last_error;
}
