// The dial progress notifier and the gate that keeps a finished dial's
// late notifications out of the status outputs.
#pragma once

#include <cstdint>
#include <string_view>

// The report text for a connection state; empty for states without one.
std::string_view ConnectionStateText(uint32_t state);

// Lets notifications write again: called as a dial starts.
void OpenDialNotifications();
// Stops notifications from writing; returns once none is writing. Called
// as a dial ends, so a late one cannot follow or replace the dial's outcome.
void CloseDialNotifications();
