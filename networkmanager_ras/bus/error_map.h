// How NetworkManager's failures become remote-access error codes: the
// reasons a device or an active connection gives for failing, and the
// D-Bus errors its methods answer with; and what each code means to the
// user, the list the manual page is made from. All of it lives in
// error_map.cpp; the codes are those of remote_access/ras_records.h.
#ifndef NELVO_NM_ERROR_MAP_H
#define NELVO_NM_ERROR_MAP_H

#include <cstddef>
#include <cstdint>

namespace nmras {

// Where a failure reason comes from: the device's StateChanged signal, the
// active connection's, or the active connection's of a VPN (whose reasons
// are the VPN's own).
enum class ReasonSource { kDevice, kActiveConnection, kVpn };

// The error code for a failure reason; for a reason the table does not
// name, 635 (unknown), or for a VPN 800 (the tunnel could not be set up).
uint32_t ReasonErrorCode(ReasonSource source, uint32_t reason);

// The error code for a failed bus call: the D-Bus error name when it names
// one the table knows, else fallback; a call that got no answer at all
// (errno in negative_errno) is NetworkManager not running, or a timeout.
uint32_t BusErrorCode(const char* error_name, int negative_errno, uint32_t fallback);

// One error code a run can report and what it means, in the manual page's
// words: plain text, NetworkManager's reason names in parentheses.
struct ErrorMeaning {
  uint32_t code;
  const char* meaning;
};

// Every code the library gives, in ascending order; the table guarantees
// each code it gives is here. With the interface's own codes, every code a
// run can report after "ERROR CODE :" or "ERROR on hangup :".
struct ErrorMeaningList {
  const ErrorMeaning* rows;
  size_t count;
};
ErrorMeaningList ErrorMeanings();

}  // namespace nmras

#endif
