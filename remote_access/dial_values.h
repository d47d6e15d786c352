// The process-wide values a dial reads, owned by this layer. The console
// program sets them through the setters before it dials; a program that
// dials through the exported interface gets the defaults: no notifier (the
// dial is synchronous) and the default cancel file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The cancel file when none is named: rascancel.qcx in the current folder,
// in the system's path form (".\\rascancel.qcx" on Windows, as ever;
// "./rascancel.qcx" on POSIX).
std::string DefaultCancelFileName();

// Address of the dial progress notifier handed to the service; nullptr
// hands over none.
extern void* DialCallbackAddress;
// The file whose appearance cancels a dial.
extern std::string CancelFileName;
// The connection being dialled or hung up (a 32-bit value).
extern uint32_t ConnectionHandle;

void SetDialNotifier(void* notifier);
void SetCancelFileName(std::string_view name);
void SetConnectionHandle(uint32_t handle);
