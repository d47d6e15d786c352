// Deactivating one active connection.
#include "networkmanager_ras/links/link_end.h"

namespace nmras {

uint32_t DeactivateActive(sd_bus* bus, const std::string& active_path) {
  Message call = NewCall(bus, kNmPath, kNmInterface, "DeactivateConnection");
  if (call != nullptr && sd_bus_message_append(call.get(), "o", active_path.c_str()) < 0) {
    call.reset();
  }
  Message reply;
  return CallWaiting(bus, call.get(), reply, RAS_ERROR_INVALID_HANDLE);
}

}  // namespace nmras
