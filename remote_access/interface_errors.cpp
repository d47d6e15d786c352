// The codes of remote_access/ that come from no service: a dial's own wait
// and cancel, a hang-up that could not be asked for or did not end, and the
// failures caught at the export edge.
#include "remote_access/interface_errors.h"

#include "remote_access/ras_records.h"

namespace {

struct Meaning {
  uint32_t code;
  const char* text;
};

constexpr Meaning kMeanings[] = {
    {RAS_ERROR_NOT_ENOUGH_MEMORY, "out of memory"},
    {RAS_ERROR_PROC_NOT_FOUND,
     "the remote-access library, or its hang-up function, is missing: nothing was hung up"},
    {RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY,
     "the entry left the phone book between the look-up and the dial"},
    {RAS_ERROR_REQUEST_TIMEOUT,
     "a dial not connected after about 86 seconds, or a link still there 10 seconds after its "
     "hang-up"},
    {RAS_ERROR_NO_CONNECTION, "the cancel file was found; the attempt was hung up"},
    {RAS_ERROR_INTERNAL,
     "a failure inside the program (a lock that failed); a dial that fails so is hung up"},
};

}  // namespace

const char* InterfaceErrorMeaning(uint32_t code) {
  for (const Meaning& row : kMeanings) {
    if (row.code == code) return row.text;
  }
  return nullptr;
}
