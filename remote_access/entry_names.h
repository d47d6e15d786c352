// Phone-book entries: the entry list and the routine that fills it.
#pragma once

#include <cstdint>
#include <vector>

#include "remote_access/ras_records.h"

// The entry list: RASENTRYNAME records owned by the caller. Position p
// (counted from 1) is element p - 1.
typedef std::vector<RASENTRYNAME> EntryList;

// Re-creates the list and fills it with the phone book's entry names,
// asking once more with a list of the right size when the service says
// that one record is too few. Returns the number of entries, never more
// than the records in the list; 0 when there are none, the service fails
// or the library is not there.
int32_t LoadEntryNames(EntryList& entries);
