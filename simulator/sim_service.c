/* Enumeration, status and hang-up of the simulated service, with the size
 * and buffer rules of the real functions. Every call opens and locks the
 * state folder afresh: another process may have changed it. */
#include "simulator/sim_service.h"

#include <stdio.h>
#include <string.h>

#include "simulator/sim_state.h"

#define SIM_DEVICE_TYPE "modem"
#define SIM_DEVICE_NAME "Simulated Modem"

/* Whether a fixed-size string field holds its terminating NUL. */
static int SimTerminated(const char* field, size_t size) {
  return memchr(field, 0, size) != NULL;
}

/* Adds an entry the caller has not seen yet, once, as if another program
 * had edited the phone book between two requests. */
static void SimAddEntryBehindCaller(const SimSession* session, SimPhoneBook* book,
                                    SimFaults* faults) {
  SimEntry entry;
  char name[64];
  snprintf(name, sizeof name, "Added Entry %d", book->count + 1);
  SimDefaultEntry(&entry, name);
  if (SimAddEntry(book, &entry)) SimSavePhoneBook(session, book);
  faults->add_entry_between_requests = 0;
  SimSaveFaults(session, faults);
}

static uint32_t SimFillEntries(const SimSession* session, RASENTRYNAME* entries, uint32_t* size,
                               uint32_t* count) {
  SimPhoneBook book;
  SimFaults faults;
  uint32_t result, i, capacity = entries ? *size / sizeof(RASENTRYNAME) : 0;
  SimLoadFaults(session, &faults);
  if (faults.enum_entries_error) return faults.enum_entries_error;
  result = SimLoadPhoneBook(session, &book);
  if (result) return result;
  *size = (uint32_t)book.count * sizeof(RASENTRYNAME);
  *count = (uint32_t)book.count;
  // As many records as fit are filled, also when the answer is 603.
  for (i = 0; i < (uint32_t)book.count && i < capacity; i++) {
    entries[i].dwSize = sizeof(RASENTRYNAME);
    memset(entries[i].szEntryName, 0, sizeof entries[i].szEntryName);
    strcpy(entries[i].szEntryName, book.entries[i].name);
  }
  result = (uint32_t)book.count > capacity ? RAS_ERROR_BUFFER_TOO_SMALL : 0;
  if (result && faults.add_entry_between_requests) SimAddEntryBehindCaller(session, &book, &faults);
  SimFreePhoneBook(&book);
  return result;
}

uint32_t SimEnumEntries(RASENTRYNAME* entries, uint32_t* size, uint32_t* count) {
  SimSession session;
  uint32_t result;
  if (size == NULL || count == NULL) return RAS_ERROR_INVALID_PARAMETER;
  if (entries != NULL && entries->dwSize != sizeof(RASENTRYNAME)) return RAS_ERROR_INVALID_SIZE;
  result = SimOpen(&session);
  if (result == 0) result = SimFillEntries(&session, entries, size, count);
  SimClose(&session);
  return result;
}

uint32_t SimGetEntryDialParams(RASDIALPARAMS* params, int32_t* password_stored) {
  SimSession session;
  SimPhoneBook book;
  uint32_t result;
  int index;
  if (params == NULL || password_stored == NULL) return RAS_ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMS)) return RAS_ERROR_INVALID_SIZE;
  if (!SimTerminated(params->szEntryName, sizeof params->szEntryName))
    return RAS_ERROR_INVALID_PARAMETER;
  result = SimOpen(&session);
  if (result == 0) result = SimLoadPhoneBook(&session, &book);
  SimClose(&session);
  if (result) return result;
  index = SimFindEntry(&book, params->szEntryName);
  if (index < 0) {
    SimFreePhoneBook(&book);
    return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  }
  strcpy(params->szPhoneNumber, book.entries[index].phone);
  strcpy(params->szCallbackNumber, book.entries[index].callback);
  strcpy(params->szUserName, book.entries[index].user);
  strcpy(params->szPassword, book.entries[index].password);
  strcpy(params->szDomain, book.entries[index].domain);
  *password_stored = book.entries[index].password[0] != '\0';
  SimFreePhoneBook(&book);
  return 0;
}

/* Counts the poll against the status fault switch; returns its error code
 * once the allowed number of polls is used up, else 0. */
static uint32_t SimStatusFault(const SimSession* session) {
  SimFaults faults;
  SimLoadFaults(session, &faults);
  if (faults.status_fails_after < 0) return 0;
  if (faults.status_polls >= faults.status_fails_after) return faults.status_fails_code;
  faults.status_polls++;
  SimSaveFaults(session, &faults);
  return 0;
}

static uint32_t SimFillStatus(const SimSession* session, HRASCONN handle, RASCONNSTATUS* status) {
  SimConns conns;
  SimConn* conn;
  uint32_t result = SimStatusFault(session);
  if (result) return result;
  result = SimLoadConnections(session, &conns);
  if (result) return result;
  conn = SimFindConnection(&conns, handle);
  if (conn == NULL) {
    SimFreeConnections(&conns);
    return RAS_ERROR_INVALID_HANDLE;
  }
  status->rasconnstate = SimReportedState(conn);
  status->dwError = conn->error;
  memset(status->szDeviceType, 0, sizeof status->szDeviceType);
  memset(status->szDeviceName, 0, sizeof status->szDeviceName);
  strcpy(status->szDeviceType, SIM_DEVICE_TYPE);
  strcpy(status->szDeviceName, SIM_DEVICE_NAME);
  SimFreeConnections(&conns);
  SimNoteReportedState(handle, status->rasconnstate);
  return 0;
}

uint32_t SimGetConnectStatus(HRASCONN handle, RASCONNSTATUS* status) {
  SimSession session;
  uint32_t result;
  if (status == NULL) return RAS_ERROR_INVALID_PARAMETER;
  if (status->dwSize != sizeof(RASCONNSTATUS)) return RAS_ERROR_INVALID_SIZE;
  result = SimOpen(&session);
  if (result == 0) result = SimFillStatus(&session, handle, status);
  SimClose(&session);
  return result;
}

static uint32_t SimFillConnections(const SimSession* session, RASCONN* connections, uint32_t* size,
                                   uint32_t* count) {
  SimConns conns;
  SimFaults faults;
  uint32_t result, i, capacity = connections ? *size / sizeof(RASCONN) : 0;
  SimLoadFaults(session, &faults);
  if (faults.enum_connections_error) return faults.enum_connections_error;
  result = SimLoadConnections(session, &conns);
  if (result) return result;
  *size = (uint32_t)conns.count * sizeof(RASCONN);
  *count = (uint32_t)conns.count;
  for (i = 0; i < (uint32_t)conns.count && i < capacity; i++) {
    RASCONN* out = &connections[i];
    memset(out, 0, sizeof *out);
    out->dwSize = sizeof(RASCONN);
    out->hrasconn = conns.items[i].handle;
    strcpy(out->szEntryName, conns.items[i].name);
    strcpy(out->szDeviceType, SIM_DEVICE_TYPE);
    strcpy(out->szDeviceName, SIM_DEVICE_NAME);
  }
  result = (uint32_t)conns.count > capacity ? RAS_ERROR_BUFFER_TOO_SMALL : 0;
  SimFreeConnections(&conns);
  return result;
}

uint32_t SimEnumConnections(RASCONN* connections, uint32_t* size, uint32_t* count) {
  SimSession session;
  uint32_t result;
  if (size == NULL || count == NULL) return RAS_ERROR_INVALID_PARAMETER;
  if (connections != NULL && connections->dwSize != sizeof(RASCONN)) return RAS_ERROR_INVALID_SIZE;
  result = SimOpen(&session);
  if (result == 0) result = SimFillConnections(&session, connections, size, count);
  SimClose(&session);
  return result;
}

/* The handle stays known, reported as disconnected, for the entry's
 * scripted hang-up time; a second request does not restart that time. */
static uint32_t SimEndConnection(const SimSession* session, HRASCONN handle) {
  SimConns conns;
  SimConn* conn;
  uint32_t result = SimLoadConnections(session, &conns);
  if (result) return result;
  conn = SimFindConnection(&conns, handle);
  if (conn == NULL) {
    result = RAS_ERROR_INVALID_HANDLE;
  } else if (conn->hangup_at == 0) {
    if (conn->hangup_ms == 0)
      SimRemoveConnection(&conns, handle);
    else
      conn->hangup_at = SimNowMs() + conn->hangup_ms;
    result = SimSaveConnections(session, &conns);
  }
  SimFreeConnections(&conns);
  return result;
}

uint32_t SimHangUp(HRASCONN handle) {
  SimSession session;
  uint32_t result = SimOpen(&session);
  if (result == 0) result = SimEndConnection(&session, handle);
  SimClose(&session);
  return result;
}
