// The dial's own secret agent. The copy a dial activates holds no secret:
// its password (and PIN) flags say agent-owned, so NetworkManager neither
// writes them to its profile files nor hands them to GetSecrets callers,
// and asks its agents for them when the activation needs them. This agent
// answers NetworkManager alone, and only for the copy it was made for; it
// goes away with the dial's bus connection. A VPN's secrets are given once:
// the caller's password and the stored profile's other secrets that its
// plugin asks for (a key's password), read from memory. NetworkManager asks
// again only when the server refused the password, and would ask every
// second for ever, so the agent then refuses and the dial fails.
#ifndef NELVO_NM_SECRET_AGENT_H
#define NELVO_NM_SECRET_AGENT_H

#include <cstdint>
#include <string>

#include "networkmanager_ras/bus/nm_bus.h"
#include "networkmanager_ras/phone_book/phone_book.h"

namespace nmras {

struct SecretAgent {
  std::string uuid;       // the copy's connection.uuid
  std::string setting;    // the setting its secrets belong to
  bool vpn = false;       // a VPN's: the password goes as its "secrets" dictionary
  StoredSecrets secrets;  // what the agent answers
  const char* const* other_keys = nullptr;  // the names of secrets.others (a VPN's)
  int answered = 0;                         // GetSecrets calls answered
  std::string service_owner;                // NetworkManager's unique bus name
  sd_bus_slot* slot = nullptr;
  bool refusing = false;  // the dial gave up: every request is refused
  ~SecretAgent();
};

// Serves the agent on bus and registers it with NetworkManager. Returns 0
// or the error code.
uint32_t RegisterSecretAgent(sd_bus* bus, SecretAgent& agent);

}  // namespace nmras

#endif
