// The process-wide table of dials, under one lock. It is allocated once and
// never freed: a watcher thread may still use it while the process exits.
#include "networkmanager_ras/links/dial_table.h"

#include <map>
#include <mutex>

#include "networkmanager_ras/bus/nm_bus.h"

namespace nmras {
namespace {

struct Entry {
  std::shared_ptr<DialRecord> record;
  DialStatus status;
};

struct Table {
  std::mutex lock;
  std::map<uint32_t, Entry> dials;
  std::map<uint32_t, std::string> owners;  // handle: NetworkManager's bus name
  uint32_t next_offline = kFirstOfflineHandle;
};

Table& TheTable() {
  static Table* table = new Table;
  return *table;
}

// The entry of record, when the table still holds that very dial.
Entry* EntryOf(Table& table, const DialRecord& record) {
  auto it = table.dials.find(record.handle);
  return it != table.dials.end() && it->second.record.get() == &record ? &it->second : nullptr;
}

}  // namespace

std::shared_ptr<DialRecord> AddDial(uint32_t handle, const std::string& active_path,
                                    const char* device_type) {
  auto record = std::make_shared<DialRecord>();
  record->handle = handle;
  record->active_path = active_path;
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  table.dials[handle] = Entry{record, DialStatus{0, 0, device_type}};
  return record;
}

uint32_t AddFailedDial(uint32_t error, const char* device_type) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  uint32_t handle = table.next_offline++;
  if (table.next_offline == 0) table.next_offline = kFirstOfflineHandle;
  auto record = std::make_shared<DialRecord>();
  record->handle = handle;
  table.dials[handle] = Entry{record, DialStatus{0, error, device_type}};
  return handle;
}

void SetDialState(const DialRecord& record, uint32_t state) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  if (Entry* entry = EntryOf(table, record)) entry->status.state = state;
}

void SetDialFailed(const DialRecord& record, uint32_t state, uint32_t error) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  if (Entry* entry = EntryOf(table, record)) entry->status = DialStatus{state, error};
}

void ForgetDial(const DialRecord& record) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  if (EntryOf(table, record) != nullptr) table.dials.erase(record.handle);
}

bool LookUpDial(uint32_t handle, DialStatus& status) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  auto it = table.dials.find(handle);
  if (it == table.dials.end()) return false;
  status = it->second.status;
  return true;
}

std::shared_ptr<DialRecord> RemoveDial(uint32_t handle, DialStatus& status) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  auto it = table.dials.find(handle);
  if (it == table.dials.end()) return nullptr;
  std::shared_ptr<DialRecord> record = it->second.record;
  status = it->second.status;
  record->stop = true;
  table.dials.erase(it);
  return record;
}

void NoteHandleOwner(uint32_t handle, const std::string& owner) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  if (!owner.empty()) table.owners[handle] = owner;
}

bool HandleOwnerMatches(uint32_t handle, const std::string& owner) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.lock);
  auto it = table.owners.find(handle);
  return it == table.owners.end() || it->second == owner;
}

}  // namespace nmras
