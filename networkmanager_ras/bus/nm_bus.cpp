// Bus connection and NetworkManager calls over sd-bus.
#include "networkmanager_ras/bus/nm_bus.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "networkmanager_ras/bus/bus_fields.h"
#include "networkmanager_ras/bus/error_map.h"

namespace nmras {

uint32_t OpenSystemBus(Bus& bus) {
  sd_bus* opened = nullptr;
  if (sd_bus_open_system(&opened) < 0) {
    return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  bus.reset(opened);
  // A NetworkManager that hangs must not hold a status poll for long.
  sd_bus_set_method_call_timeout(opened, kCallTimeoutUsec);
  return 0;
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr Clock::time_point kNoDeadline = Clock::time_point::max();
thread_local Clock::time_point call_deadline = kNoDeadline;

// wanted (0: kCallTimeoutUsec), cut to what is left before the thread's
// call deadline; at least 1, since 0 would mean the bus's own default.
uint64_t BoundedUsec(uint64_t wanted) {
  if (wanted == 0) wanted = kCallTimeoutUsec;
  if (call_deadline == kNoDeadline) return wanted;
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(call_deadline - Clock::now());
  return left.count() < 1 ? 1 : std::min(wanted, static_cast<uint64_t>(left.count()));
}

}  // namespace

CallDeadline::CallDeadline(uint64_t usec_from_now) : saved_(call_deadline) {
  if (usec_from_now == UINT64_MAX) return;
  call_deadline = std::min(saved_, Clock::now() + std::chrono::microseconds(usec_from_now));
}

CallDeadline::~CallDeadline() {
  call_deadline = saved_;
}

uint32_t CallWaiting(sd_bus* bus, sd_bus_message* call, Message& reply, uint32_t fallback,
                     uint64_t timeout_usec) {
  if (call == nullptr) {
    return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* answer = nullptr;
  int r = sd_bus_call(bus, call, BoundedUsec(timeout_usec), &error, &answer);
  uint32_t code = r < 0 ? BusErrorCode(error.name, r, fallback) : 0;
  sd_bus_error_free(&error);
  reply.reset(answer);
  return code;
}

namespace {

int OnPendingAnswer(sd_bus_message* m, void* data, sd_bus_error*) {
  auto* pending = static_cast<PendingCall*>(data);
  pending->answered = true;
  const sd_bus_error* error = sd_bus_message_get_error(m);
  if (error == nullptr) {
    pending->reply.reset(sd_bus_message_ref(m));
  } else {
    pending->error = error->name != nullptr ? error->name : "";
    pending->errno_value = sd_bus_message_get_errno(m);
  }
  return 0;
}

}  // namespace

uint32_t StartCall(sd_bus* bus, sd_bus_message* call, PendingCall& pending) {
  if (call == nullptr) return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  // Our own bound applies, not the bus's.
  int r = sd_bus_call_async(bus, &pending.slot, call, OnPendingAnswer, &pending, UINT64_MAX);
  return r < 0 ? BusErrorCode(nullptr, r, RAS_ERROR_RASMAN_CANNOT_INITIALIZE) : 0;
}

uint32_t AwaitCall(sd_bus* bus, PendingCall& pending, uint64_t timeout_usec, uint32_t fallback) {
  timeout_usec = BoundedUsec(timeout_usec);
  auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(timeout_usec);
  int r = 0;
  while (!pending.answered && r >= 0) {
    r = sd_bus_process(bus, nullptr);
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        until - std::chrono::steady_clock::now());
    if (pending.answered || left.count() <= 0) break;
    if (r == 0) r = sd_bus_wait(bus, static_cast<uint64_t>(left.count()));
  }
  if (r < 0) return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  if (!pending.answered) return RAS_ERROR_REQUEST_TIMEOUT;
  if (pending.reply != nullptr) return 0;
  return BusErrorCode(pending.error.c_str(), -pending.errno_value, fallback);
}

namespace {

// Where a pipelined call's reply goes, and how many are still awaited.
struct Pending {
  Message* reply;
  size_t* left;
};

int OnReply(sd_bus_message* reply, void* data, sd_bus_error*) {
  auto* pending = static_cast<Pending*>(data);
  if (!sd_bus_message_is_method_error(reply, nullptr)) {
    pending->reply->reset(sd_bus_message_ref(reply));
  }
  --*pending->left;
  return 0;
}

// The system bus lets a connection wait for at most 128 replies at once
// (dbus-daemon's max_replies_per_connection); more would be refused.
constexpr size_t kMostPending = 120;

}  // namespace

uint32_t CallAll(sd_bus* bus, const std::vector<Message>& calls, std::vector<Message>& replies) {
  replies.clear();
  replies.resize(calls.size());
  std::vector<Pending> pending(calls.size());
  std::vector<sd_bus_slot*> slots(calls.size(), nullptr);
  size_t in_flight = 0, next = 0;
  int r = 0;
  while (r >= 0 && (next < calls.size() || in_flight > 0)) {
    for (; r >= 0 && next < calls.size() && in_flight < kMostPending; ++next) {
      if (calls[next] == nullptr) continue;
      pending[next] = Pending{&replies[next], &in_flight};
      r = sd_bus_call_async(bus, &slots[next], calls[next].get(), OnReply, &pending[next],
                            BoundedUsec(0));
      if (r >= 0) ++in_flight;
    }
    if (r >= 0) r = sd_bus_process(bus, nullptr);
    if (r == 0 && in_flight > 0) r = sd_bus_wait(bus, UINT64_MAX);
  }
  for (sd_bus_slot* slot : slots) sd_bus_slot_unref(slot);
  return r < 0 ? static_cast<uint32_t>(RAS_ERROR_RASMAN_CANNOT_INITIALIZE) : 0u;
}

std::string ServiceOwner(sd_bus* bus) {
  sd_bus_message* call = nullptr;
  Message reply;
  const char* owner = nullptr;
  if (sd_bus_message_new_method_call(bus, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "GetNameOwner") < 0) {
    return "";
  }
  Message held(call);
  if (sd_bus_message_append(call, "s", kNmService) < 0 || CallWaiting(bus, call, reply) != 0 ||
      sd_bus_message_read(reply.get(), "s", &owner) <= 0) {
    return "";
  }
  return owner;
}

Message NewCall(sd_bus* bus, const char* path, const char* interface, const char* member) {
  sd_bus_message* call = nullptr;
  if (sd_bus_message_new_method_call(bus, &call, kNmService, path, interface, member) < 0) {
    return nullptr;
  }
  return Message(call);
}

uint32_t GetProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                     const char* type, Message& reply, uint32_t fallback) {
  Message call = NewCall(bus, path, kPropertiesInterface, "Get");
  if (call == nullptr || sd_bus_message_append(call.get(), "ss", interface, name) < 0) {
    return RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  uint32_t code = CallWaiting(bus, call.get(), reply, fallback);
  if (code == 0 && sd_bus_message_enter_container(reply.get(), 'v', type) <= 0) {
    return fallback;
  }
  return code;
}

std::string GetStringProperty(sd_bus* bus, const char* path, const char* interface,
                              const char* name) {
  Message reply;
  const char* value = nullptr;
  if (GetProperty(bus, path, interface, name, "s", reply) != 0 ||
      sd_bus_message_read_basic(reply.get(), 's', &value) <= 0) {
    return "";
  }
  return value;
}

std::vector<std::string> GetPathsProperty(sd_bus* bus, const char* path, const char* interface,
                                          const char* name) {
  Message reply;
  std::vector<std::string> paths;
  if (GetProperty(bus, path, interface, name, "ao", reply) != 0 ||
      ReadStrings(reply.get(), paths) < 0) {
    paths.clear();
  }
  return paths;
}

uint32_t GetUintProperty(sd_bus* bus, const char* path, const char* interface, const char* name,
                         uint32_t& value, uint32_t fallback) {
  Message reply;
  uint32_t code = GetProperty(bus, path, interface, name, "u", reply, fallback);
  if (code == 0 && sd_bus_message_read_basic(reply.get(), 'u', &value) <= 0) {
    return fallback;
  }
  return code;
}

uint32_t HandleOfActivePath(const char* path) {
  const std::string prefix = kActivePrefix;
  std::string text = path != nullptr ? path : "";
  if (text.compare(0, prefix.size(), prefix) != 0 || text.size() == prefix.size() ||
      text.size() > prefix.size() + 9) {
    return 0;
  }
  uint32_t number = 0;
  for (size_t i = prefix.size(); i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return 0;
    }
    number = number * 10 + static_cast<uint32_t>(text[i] - '0');
  }
  return IsOfflineHandle(number) ? 0 : number;
}

std::string ActivePathOfHandle(uint32_t handle) {
  return kActivePrefix + std::to_string(handle);
}

}  // namespace nmras
