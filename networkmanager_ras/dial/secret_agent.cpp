// The secret agent's D-Bus object: GetSecrets for the copy's uuid, empty
// answers to Cancel/Save/DeleteSecrets, nothing for anyone but
// NetworkManager.
#include "networkmanager_ras/dial/secret_agent.h"

#include <cstring>

#include "networkmanager_ras/bus/bus_fields.h"

namespace nmras {
namespace {

int AppendSecret(sd_bus_message* reply, const char* key, const SecretText& value) {
  if (value.empty()) return 0;
  return sd_bus_message_append(reply, "{sv}", key, "s", value.c_str());
}

int AppendVpnSecret(sd_bus_message* reply, const char* key, const SecretText& value) {
  return value.empty() ? 0 : sd_bus_message_append(reply, "{ss}", key, value.c_str());
}

// The VPN's secrets: {"secrets": <a{ss} {"password": ..., others...}>}.
int AppendVpnSecrets(sd_bus_message* reply, const SecretAgent& agent) {
  int r = sd_bus_message_open_container(reply, 'e', "sv");
  if (r >= 0) r = sd_bus_message_append_basic(reply, 's', "secrets");
  if (r >= 0) r = sd_bus_message_open_container(reply, 'v', "a{ss}");
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "{ss}");
  if (r >= 0) r = AppendVpnSecret(reply, "password", agent.secrets.password);
  for (int i = 0; r >= 0 && agent.other_keys != nullptr && agent.other_keys[i] != nullptr; ++i) {
    r = AppendVpnSecret(reply, agent.other_keys[i], agent.secrets.others[i]);
  }
  for (int i = 0; i < 3 && r >= 0; ++i) r = sd_bus_message_close_container(reply);
  return r;
}

// Answers a GetSecrets call (connection a{sa{sv}}, path, setting, hints,
// flags) with the secrets of the copy, or NoSecrets for anything else.
int AnswerGetSecrets(sd_bus_message* m, SecretAgent& agent) {
  std::string uuid;
  const Field connection[] = {{"uuid", "s", &uuid}};
  const SettingFields wanted[] = {{"connection", connection, 1, nullptr}};
  const char *path = nullptr, *setting = nullptr;
  if (ReadSettings(m, wanted) < 0 || sd_bus_message_read(m, "os", &path, &setting) < 0 ||
      uuid != agent.uuid || agent.setting != setting) {
    return sd_bus_reply_method_errorf(m, kAgentNoSecrets, "not this agent's connection");
  }
  // UserCanceled, not NoSecrets: NetworkManager then fails the activation
  // rather than waiting for another agent (a modem would wait for ever).
  if (agent.refusing) {
    return sd_bus_reply_method_errorf(m, kAgentUserCanceled, "the dial has ended");
  }
  if (agent.vpn && agent.answered > 0) {
    return sd_bus_reply_method_errorf(m, kAgentUserCanceled, "the password was refused");
  }
  ++agent.answered;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_message_new_method_return(m, &raw);
  if (r < 0) return r;
  Message reply(raw);
  sd_bus_message_sensitive(reply.get());  // cleared when freed, kept out of bus logs
  r = sd_bus_message_open_container(reply.get(), 'a', "{sa{sv}}");
  if (r >= 0) r = sd_bus_message_open_container(reply.get(), 'e', "sa{sv}");
  if (r >= 0) r = sd_bus_message_append_basic(reply.get(), 's', setting);
  if (r >= 0) r = sd_bus_message_open_container(reply.get(), 'a', "{sv}");
  if (r >= 0 && agent.vpn) r = AppendVpnSecrets(reply.get(), agent);
  if (r >= 0 && !agent.vpn) r = AppendSecret(reply.get(), "password", agent.secrets.password);
  if (r >= 0 && agent.setting == "gsm") r = AppendSecret(reply.get(), "pin", agent.secrets.pin);
  for (int i = 0; i < 3 && r >= 0; ++i) r = sd_bus_message_close_container(reply.get());
  if (r >= 0) r = sd_bus_send(nullptr, reply.get(), nullptr);
  return r;
}

int Answer(sd_bus_message* m, SecretAgent& agent) {
  const char* sender = sd_bus_message_get_sender(m);
  if (sender == nullptr || agent.service_owner != sender) {
    return sd_bus_reply_method_errorf(m, kAgentNoSecrets, "secrets go to NetworkManager only");
  }
  if (sd_bus_message_is_method_call(m, kAgentInterface, "GetSecrets")) {
    return AnswerGetSecrets(m, agent);
  }
  // CancelGetSecrets, SaveSecrets, DeleteSecrets: the agent keeps nothing.
  return sd_bus_reply_method_return(m, nullptr);
}

int OnAgentCall(sd_bus_message* m, void* data, sd_bus_error*) {
  if (!sd_bus_message_is_method_call(m, nullptr, nullptr)) return 0;
  int r = Answer(m, *static_cast<SecretAgent*>(data));
  return r < 0 ? r : 1;  // answered
}

}  // namespace

SecretAgent::~SecretAgent() {
  sd_bus_slot_unref(slot);
}

uint32_t RegisterSecretAgent(sd_bus* bus, SecretAgent& agent) {
  agent.service_owner = ServiceOwner(bus);
  if (agent.service_owner.empty()) return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  if (sd_bus_add_object(bus, &agent.slot, kAgentPath, OnAgentCall, &agent) < 0) {
    return RAS_ERROR_UNKNOWN;
  }
  // One identifier per dial: NetworkManager takes one agent per identifier
  // and user.
  std::string identifier = "nelvo.dial." + agent.uuid;
  Message call =
      NewCall(bus, kAgentManagerPath, kAgentManagerInterface, "RegisterWithCapabilities");
  Message reply;
  if (call == nullptr ||
      sd_bus_message_append(call.get(), "su", identifier.c_str(), kAgentVpnHints) < 0) {
    return RAS_ERROR_UNKNOWN;
  }
  return CallWaiting(bus, call.get(), reply);
}

}  // namespace nmras
