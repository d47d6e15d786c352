// Reading GetPermissions.
#include "networkmanager_ras/bus/permissions.h"

namespace nmras {

uint32_t ReadPermissions(sd_bus* bus, Permissions& permissions) {
  Message reply;
  uint32_t code =
      CallWaiting(bus, NewCall(bus, kNmPath, kNmInterface, "GetPermissions").get(), reply);
  if (code != 0) return code;
  if (sd_bus_message_enter_container(reply.get(), 'a', "{ss}") <= 0) return RAS_ERROR_UNKNOWN;
  const char *name = nullptr, *answer = nullptr;
  while (sd_bus_message_read(reply.get(), "{ss}", &name, &answer) > 0) permissions[name] = answer;
  return 0;
}

bool Granted(const Permissions& permissions, const char* permission) {
  auto it = permissions.find(permission);
  return it != permissions.end() && it->second == "yes";
}

}  // namespace nmras
