// The dial progress notifier and the gate that keeps a finished dial's
// late notifications out of the status outputs.
#pragma once

#include <cstdint>
#include <string_view>

// The report text for a connection state; empty for states without one.
std::string_view ConnectionStateText(uint32_t state);

// The notification gate: only while it is open do notifications reach the
// status outputs. Opened as a dial starts, which also forgets the states
// notified so far.
void OpenNotificationGate();
// Waits until a notification of the state has been written since the gate
// opened, at most bound_ms (the platform's event wait, which tests may
// answer at once); true when it has. The service may
// record a state before it calls the notifier, so a poll can see the state
// that ends a dial before its notification is written.
bool AwaitNotifiedState(uint32_t state, uint32_t bound_ms);
// Shuts the gate; returns once no notification is writing. Called as a
// dial ends, so a late one cannot follow or replace the dial's outcome.
void CloseNotificationGate();
