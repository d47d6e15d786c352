// The dial progress notifier and the gate that keeps a finished dial's
// late notifications out of the status outputs.
#pragma once

#include <cstdint>
#include <string_view>

// The report text for a connection state; empty for states without one.
std::string_view ConnectionStateText(uint32_t state);

// The notification gate: only while it is open do notifications reach the
// status outputs. Opened as a dial starts.
void OpenNotificationGate();
// Shuts the gate; returns once no notification is writing. Called as a
// dial ends, so a late one cannot follow or replace the dial's outcome.
void CloseNotificationGate();
