// The profile cache: one bus connection, its match on NetworkManager's
// profile signals, and what was read of each profile path, under one lock.
// Allocated once and never freed, as the dial table.
#include "networkmanager_ras/phone_book/profile_cache.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "networkmanager_ras/bus/bus_fields.h"
#include "networkmanager_ras/bus/error_map.h"

namespace nmras {
namespace {

struct Entry {
  bool listed = false;  // a dial-up profile that the phone book shows
  Profile profile;
};

struct Cache {
  std::mutex lock;
  Bus bus;
  sd_bus_slot* match = nullptr;
  std::string address;  // the bus address it was opened for
  std::string owner;    // the NetworkManager its entries come from
  std::map<std::string, Entry> entries;
  std::set<std::string> changed;  // signalled while being read
};

Cache& TheCache() {
  static Cache* cache = new Cache;
  return *cache;
}

// Any signal of a profile object (Updated, Removed, PropertiesChanged):
// what was read of it is stale.
int OnProfileSignal(sd_bus_message* m, void* data, sd_bus_error*) {
  auto& cache = *static_cast<Cache*>(data);
  const char* path = sd_bus_message_get_path(m);
  if (path != nullptr) {
    cache.entries.erase(path);
    cache.changed.insert(path);
  }
  return 0;
}

void Drop(Cache& cache) {
  cache.match = sd_bus_slot_unref(cache.match);
  cache.bus.reset();
  cache.entries.clear();
  cache.owner.clear();
}

// The cache's connection to the bus the caller names now.
uint32_t Connect(Cache& cache) {
  const char* env = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  std::string address = env != nullptr ? env : "";
  if (cache.bus != nullptr && cache.address == address && sd_bus_is_open(cache.bus.get()) > 0) {
    return 0;
  }
  Drop(cache);
  uint32_t code = OpenSystemBus(cache.bus);
  const std::string rule = std::string("type='signal',sender='") + kNmService +
                           "',path_namespace='" + kSettingsPath + "'";
  if (code == 0 &&
      sd_bus_add_match(cache.bus.get(), &cache.match, rule.c_str(), OnProfileSignal, &cache) < 0) {
    code = RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  }
  if (code != 0) Drop(cache);
  cache.address = address;
  return code;
}

// The profile paths now, after the signals sent before them are applied.
uint32_t ListPaths(Cache& cache, std::vector<std::string>& paths) {
  sd_bus* bus = cache.bus.get();
  Message reply;
  uint32_t code =
      CallWaiting(bus, NewCall(bus, kSettingsPath, kSettingsInterface, "ListConnections").get(),
                  reply, RAS_ERROR_RASMAN_CANNOT_INITIALIZE);
  if (code == 0 && ReadStrings(reply.get(), paths) < 0) code = RAS_ERROR_RASMAN_CANNOT_INITIALIZE;
  if (code != 0) return code;
  const char* sender = sd_bus_message_get_sender(reply.get());
  if (sender == nullptr || cache.owner != sender) {
    cache.entries.clear();  // a NetworkManager started since: its own numbering
    cache.owner = sender != nullptr ? sender : "";
  }
  while (sd_bus_process(bus, nullptr) > 0) {
  }
  return 0;
}

Message NewFlagsCall(sd_bus* bus, const std::string& path) {
  Message call = NewCall(bus, path.c_str(), kPropertiesInterface, "Get");
  if (call != nullptr && sd_bus_message_append(call.get(), "ss", kProfileInterface, "Flags") < 0) {
    call.reset();
  }
  return call;
}

// Reads the missing profiles into now: GetSettings of them all at once,
// then the Flags of the dial-up ones at once. Keeps what was read but for
// profiles signalled meanwhile or gone.
uint32_t ReadMissing(Cache& cache, const std::vector<std::string>& missing,
                     std::map<std::string, Entry>& now) {
  sd_bus* bus = cache.bus.get();
  std::vector<Message> calls, replies;
  for (const std::string& path : missing) {
    calls.push_back(NewCall(bus, path.c_str(), kProfileInterface, "GetSettings"));
  }
  cache.changed.clear();
  uint32_t code = CallAll(bus, calls, replies);
  std::vector<std::string> dial_up;
  calls.clear();
  for (size_t i = 0; code == 0 && i < missing.size(); ++i) {
    Entry& entry = now[missing[i]];
    entry.profile.path = missing[i];
    if (replies[i] == nullptr) {
      cache.changed.insert(missing[i]);  // gone meanwhile: never kept
    } else if (ReadProfile(replies[i].get(), entry.profile)) {
      dial_up.push_back(missing[i]);
      calls.push_back(NewFlagsCall(bus, missing[i]));
    }
  }
  if (code == 0) code = CallAll(bus, calls, replies);
  for (size_t i = 0; code == 0 && i < dial_up.size(); ++i) {
    Entry& entry = now[dial_up[i]];
    uint32_t flags = 0;
    entry.listed = replies[i] != nullptr &&
                   sd_bus_message_read(replies[i].get(), "v", "u", &flags) >= 0 &&
                   (flags & kProfileVolatile) == 0 && entry.profile.id.size() <= RAS_MAX_ENTRY_NAME;
  }
  for (size_t i = 0; code == 0 && i < missing.size(); ++i) {
    if (cache.changed.count(missing[i]) == 0) cache.entries[missing[i]] = now[missing[i]];
  }
  return code;
}

}  // namespace

uint32_t CachedProfiles(std::vector<Profile>& profiles) {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> hold(cache.lock);
  std::vector<std::string> paths, missing;
  std::map<std::string, Entry> now;
  uint32_t code = Connect(cache);
  if (code == 0) code = ListPaths(cache, paths);
  for (size_t i = 0; code == 0 && i < paths.size(); ++i) {
    auto cached = cache.entries.find(paths[i]);
    if (cached == cache.entries.end()) {
      missing.push_back(paths[i]);
    } else {
      now[paths[i]] = cached->second;
    }
  }
  if (code == 0) code = ReadMissing(cache, missing, now);
  if (code != 0) {
    Drop(cache);
    return code;
  }
  for (const std::string& path : paths) {
    if (now[path].listed) profiles.push_back(now[path].profile);
  }
  return 0;
}

}  // namespace nmras
