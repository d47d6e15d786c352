// Listing the phone book: LoadEntryNames and its two exported functions.
#include "remote_access/entry_names.h"

#include <algorithm>
#include <new>

#include "remote_access/binding.h"
#include "remote_access/byte_text.h"
#include "remote_access/export_edge.h"
#include "remote_access/library_export.h"
#include "remote_access/nelvoras.h"

namespace {

// The most entries a second request may ask for (a buffer of about 17 MB).
// A larger count after "buffer too small" is taken as a fault of the
// service, not as a phone book, and reads as no entries.
const uint32_t kMaxEntryRecords = 65536;

// Replaces the list by `records` zeroed records, the first one sized.
// False when the memory cannot be had; the list is then empty.
bool RecreateEntries(EntryList& entries, uint32_t records) {
  entries.clear();
  try {
    entries.resize(records);
  } catch (const std::bad_alloc&) {
    EntryList().swap(entries);
    return false;
  }
  entries[0].dwSize = sizeof(RASENTRYNAME);
  return true;
}

}  // namespace

// LoadEntryNames
int32_t LoadEntryNames(EntryList& entries) {
  if (!RecreateEntries(entries, 1)) return 0;
  uint32_t size = sizeof(RASENTRYNAME);
  uint32_t count = 0;
  int32_t result = CallRasEnumEntries(nullptr, nullptr, entries.data(), &size, &count);
  if (result == RAS_ERROR_BUFFER_TOO_SMALL) {
    if (count == 0 || count > kMaxEntryRecords || !RecreateEntries(entries, count)) return 0;
    size = count * static_cast<uint32_t>(sizeof(RASENTRYNAME));
    result = CallRasEnumEntries(nullptr, nullptr, entries.data(), &size, &count);
  }
  if (result != 0) return 0;
  // A count beyond the records handed over would send callers past the list.
  return static_cast<int32_t>(std::min<uint32_t>(count, static_cast<uint32_t>(entries.size())));
}

// rsAvailableEntries
NELVO_EXPORT int32_t NELVO_API rsAvailableEntries(void) noexcept {
  return AtExportEdge<int32_t>(0, [] {
    EntryList entries;
    return LoadEntryNames(entries);
  });
}

// rsGetEntryName
NELVO_EXPORT NELVO_BSTR NELVO_API rsGetEntryName(int32_t index) noexcept {
  return AtExportEdge<NELVO_BSTR>(nullptr, [index]() -> NELVO_BSTR {
    EntryList entries;
    int32_t count = LoadEntryNames(entries);
    if (index < 1 || index > count) return nullptr;
    const RASENTRYNAME& entry = entries[static_cast<size_t>(index) - 1];
    return NewByteString(TrimmedField(entry.szEntryName, sizeof(entry.szEntryName)));
  });
}
