// Process-wide values that the run sets and the remote-access layer reads
// during a dial.
#pragma once

#include <cstdint>
#include <string>

// Address of the dial progress notifier handed to the service.
extern void* DialCallbackAddress;
// "2.0", shown in the banner.
extern std::string ProgramVersion;
// The file whose appearance cancels a dial; ".\rascancel.qcx" by default.
extern std::string CancelFileName;
// The connection being dialled or hung up (a 32-bit value).
extern uint32_t ConnectionHandle;
