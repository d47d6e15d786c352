// The dials this process has started and not yet seen end well: their
// latest connection state, and for a failed dial its error code, kept until
// the caller hangs it up. Shared by the callers' threads and the watchers.
#ifndef NELVO_NM_DIAL_TABLE_H
#define NELVO_NM_DIAL_TABLE_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace nmras {

struct DialRecord {
  uint32_t handle = 0;
  std::string active_path;        // "" for a dial that never reached NetworkManager
  std::atomic<bool> stop{false};  // set by a hang-up: the watcher reports nothing more
};

// What a status query of a dial in the table answers.
struct DialStatus {
  uint32_t state = 0;
  uint32_t error = 0;                 // not 0 once the dial has failed
  const char* device_type = "modem";  // its kind's (link_kinds.h), a static text
};

// Enters a new dial under its handle, in state RASCS_OpenPort.
std::shared_ptr<DialRecord> AddDial(uint32_t handle, const std::string& active_path,
                                    const char* device_type);

// Enters a dial that failed before NetworkManager took it, under a handle
// of its own (an offline handle, nm_bus.h).
uint32_t AddFailedDial(uint32_t error, const char* device_type);

void SetDialState(const DialRecord& record, uint32_t state);
void SetDialFailed(const DialRecord& record, uint32_t state, uint32_t error);

// Drops a dial that has connected: from now on NetworkManager answers.
void ForgetDial(const DialRecord& record);

// The status of a dial in the table; false when the handle is not there.
bool LookUpDial(uint32_t handle, DialStatus& status);

// Takes a dial out of the table (a hang-up); null when it is not there.
std::shared_ptr<DialRecord> RemoveDial(uint32_t handle, DialStatus& status);

// Remembers which NetworkManager (its unique bus name) gave out a handle.
void NoteHandleOwner(uint32_t handle, const std::string& owner);

// False when the handle was given out by another NetworkManager than
// owner: one since restarted, whose numbers now name other links.
bool HandleOwnerMatches(uint32_t handle, const std::string& owner);

}  // namespace nmras

#endif
