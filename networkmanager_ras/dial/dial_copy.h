// The profile copy a dial activates: the stored settings with the caller's
// user name and number, a fresh uuid and autoconnect off, its secrets
// agent-owned and left out (the dial's secret agent supplies them). It
// keeps connection.id, so every process finds the link under the entry's
// name.
#ifndef NELVO_NM_DIAL_COPY_H
#define NELVO_NM_DIAL_COPY_H

#include <cstdint>
#include <string>
#include <vector>

#include "networkmanager_ras/bus/nm_bus.h"
#include "networkmanager_ras/phone_book/phone_book.h"

namespace nmras {

struct DialValues {
  std::string number;
  std::string username;
  // A VPN's stored secrets that the dial's agent hands over: agent-owned in
  // the copy too, so NetworkManager keeps them nowhere.
  std::vector<std::string> handed_secrets;
};

// A fresh uuid for a copy; "" when none can be made.
std::string NewUuid();

// Whether text is valid UTF-8, as every D-Bus string must be.
bool IsUtf8(const char* text);

// Builds the AddAndActivateConnection2 call for the profile from its
// GetSettings reply, on device ("/" for a VPN, which NetworkManager starts
// on its primary connection): the copy under uuid, in memory only, deleted
// when the link goes down ("persist" volatile), not tied to this process
// ("bind-activation" none). Returns 0, or the error code.
uint32_t BuildActivation(sd_bus* bus, sd_bus_message* settings, const Profile& profile,
                         const DialValues& values, const std::string& uuid,
                         const std::string& device, Message& call);

}  // namespace nmras

#endif
