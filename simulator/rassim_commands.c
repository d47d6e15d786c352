/* rassim connections, drop, dials, dial and fault: the connections, the
 * record of dials, dialling through the library, and the fault switches. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "remote_access/ras_functions.h"
#include "simulator/rassim.h"
#include "simulator/sim_text.h"

#ifdef _WIN32
#define SIM_LIBRARY_FILE "rasapi32.dll"
#else
#define SIM_LIBRARY_FILE "librasapi32.so"
#endif

int ConnectionsCommand(void) {
  SimSession session;
  SimConns conns;
  int i;
  uint32_t result = SimOpen(&session);
  if (result == 0) result = SimLoadConnections(&session, &conns);
  SimClose(&session);
  if (result) return Fail("cannot read the connections");
  for (i = 0; i < conns.count; i++) {
    const SimConn* conn = &conns.items[i];
    printf("%u %u %u %s\n", (unsigned)conn->handle, (unsigned)SimReportedState(conn),
           (unsigned)conn->error, conn->name);
  }
  SimFreeConnections(&conns);
  return 0;
}

int DropCommand(int argc, char** argv) {
  SimSession session;
  SimConns conns;
  int64_t handle = 0;
  int all = argc == 1 && strcmp(argv[0], "--all") == 0;
  int result = 0;
  if (argc != 1) return NotUnderstood(argc == 0 ? NULL : argv[1]);
  if (!all && !ReadNumber(argv[0], 1, 0xFFFFFFFFLL, &handle)) return NotUnderstood(argv[0]);
  if (SimOpen(&session) != 0 || SimLoadConnections(&session, &conns) != 0) {
    SimClose(&session);
    return Fail("cannot read the connections");
  }
  if (all)
    conns.count = 0;
  else if (SimFindConnection(&conns, (uint32_t)handle) == NULL)
    result = Fail("no such connection");
  else
    SimRemoveConnection(&conns, (uint32_t)handle);
  if (result == 0 && SimSaveConnections(&session, &conns) != 0)
    result = Fail("cannot write the connections");
  SimFreeConnections(&conns);
  SimClose(&session);
  return result;
}

int DialsCommand(void) {
  SimSession session;
  char path[SIM_PATH_MAX];
  char* data;
  size_t size;
  int read;
  if (SimOpen(&session) != 0) return Fail("cannot open the state folder");
  SimPath(&session, "dials.txt", path, sizeof path);
  read = SimReadWholeFile(path, &data, &size);
  SimClose(&session);
  if (read < 0) return Fail("cannot read the record of dials");
  if (read > 0) fwrite(data, 1, size, stdout);
  free(data);
  return 0;
}

/* One option of "dial" with its value: 1 read, 0 a value not understood,
 * -1 an unknown option. */
static int ReadDialOption(const char* option, const char* value, RASDIALPARAMS* params) {
  if (strcmp(option, "--phone") == 0)
    return SetText(params->szPhoneNumber, sizeof params->szPhoneNumber, value);
  if (strcmp(option, "--user") == 0)
    return SetText(params->szUserName, sizeof params->szUserName, value);
  if (strcmp(option, "--password") == 0)
    return SetText(params->szPassword, sizeof params->szPassword, value);
  return -1;
}

static void RAS_CALL IgnoreNotification(uint32_t message, uint32_t state, uint32_t error) {}

int DialCommand(int argc, char** argv) {
  RASDIALPARAMS params, stored;
  HRASCONN handle = 0;
  RasDialAFunc dial;
  RasGetEntryDialParamsAFunc get_params;
  int32_t password_stored = 0;
  int async = 0, i;
  uint32_t result;
  void* library;
  memset(&params, 0, sizeof params);
  params.dwSize = sizeof params;
  if (argc < 1) return NotUnderstood(NULL);
  if (!SetText(params.szEntryName, sizeof params.szEntryName, argv[0])) return NotUnderstood(argv[0]);
  for (i = 1; i < argc; i++) {
    const char* value = i + 1 < argc ? argv[i + 1] : NULL;
    if (strcmp(argv[i], "--async") == 0) {
      async = 1;
      continue;
    }
    int read = value == NULL ? -1 : ReadDialOption(argv[i], value, &params);
    if (read <= 0) return NotUnderstood(read == 0 ? value : argv[i]);
    i++;
  }
  library = SimLoadBeside(SIM_LIBRARY_FILE);
  if (library == NULL) return Fail("cannot load the library");
  dial = RAS_RESOLVE(SimResolve, library, RasDialA);
  get_params = RAS_RESOLVE(SimResolve, library, RasGetEntryDialParamsA);
  if (dial == NULL || get_params == NULL) return Fail("the library lacks a function");
  // Like a dialer: the stored values, then the ones given here.
  stored = params;
  if (get_params(NULL, &stored, &password_stored) == 0) {
    if (params.szPhoneNumber[0] == '\0') strcpy(params.szPhoneNumber, stored.szPhoneNumber);
    if (params.szUserName[0] == '\0') strcpy(params.szUserName, stored.szUserName);
    if (params.szPassword[0] == '\0') strcpy(params.szPassword, stored.szPassword);
    strcpy(params.szDomain, stored.szDomain);
  }
  result = dial(NULL, NULL, &params, 0, async ? (void*)IgnoreNotification : NULL, &handle);
  printf("%u %u\n", (unsigned)handle, (unsigned)result);
  fflush(stdout);
  // Leaving without freeing the library: an abandoned dial dies here.
  return result == 0 ? 0 : 1;
}

/* The word of a fault command line that did not read. */
static const char* FaultWordNotUnderstood(int argc, char** argv) {
  static const char* const kNames[] = {"clear", "enum-entries-error", "enum-connections-error",
                                       "add-entry-between-requests", "status-fails-after"};
  static const int kValueCounts[] = {0, 1, 1, 0, 2};
  int64_t value;
  int i, j;
  for (i = 0; i < 5; i++) {
    if (strcmp(argv[0], kNames[i]) != 0) continue;
    if (argc - 1 < kValueCounts[i]) return NULL;
    for (j = 1; j < argc && j <= kValueCounts[i]; j++)
      if (!ReadNumber(argv[j], 0, 0xFFFFFFFFLL, &value)) return argv[j];
    return argv[argc > kValueCounts[i] + 1 ? kValueCounts[i] + 1 : argc - 1];
  }
  return argv[0];
}

int FaultCommand(int argc, char** argv) {
  SimSession session;
  SimFaults faults;
  int64_t first = 0, second = 0;
  int result = 0;
  if (argc < 1) return NotUnderstood(NULL);
  if (SimOpen(&session) != 0) return Fail("cannot open the state folder");
  SimLoadFaults(&session, &faults);
  if (argc == 1 && strcmp(argv[0], "clear") == 0) {
    memset(&faults, 0, sizeof faults);
    faults.status_fails_after = -1;
  } else if (argc == 2 && strcmp(argv[0], "enum-entries-error") == 0 &&
             ReadNumber(argv[1], 0, 0xFFFFFFFFLL, &first)) {
    faults.enum_entries_error = (uint32_t)first;
  } else if (argc == 2 && strcmp(argv[0], "enum-connections-error") == 0 &&
             ReadNumber(argv[1], 0, 0xFFFFFFFFLL, &first)) {
    faults.enum_connections_error = (uint32_t)first;
  } else if (argc == 1 && strcmp(argv[0], "add-entry-between-requests") == 0) {
    faults.add_entry_between_requests = 1;
  } else if (argc == 3 && strcmp(argv[0], "status-fails-after") == 0 &&
             ReadNumber(argv[1], 0, 0x7FFFFFFF, &first) &&
             ReadNumber(argv[2], 1, 0xFFFFFFFFLL, &second)) {
    faults.status_fails_after = first;
    faults.status_fails_code = (uint32_t)second;
    faults.status_polls = 0;
  } else {
    result = 2;
  }
  if (result == 2)
    NotUnderstood(FaultWordNotUnderstood(argc, argv));
  else if (SimSaveFaults(&session, &faults) != 0)
    result = Fail("cannot write the fault switches");
  SimClose(&session);
  return result;
}
