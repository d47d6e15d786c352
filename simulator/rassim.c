/* rassim: sets up and inspects the simulated remote-access service.
 * It uses the state folder that the library uses (RASSIM_DIR, else .rassim
 * in the home folder).
 *
 *   rassim dir                       prints the state folder
 *   rassim phonebook add NAME [--phone N] [--callback N] [--user U]
 *          [--password P] [--domain D] [--states 0,1,2,...] [--step-ms MS]
 *          [--fail-at STATE] [--error CODE] [--never-finish] [--hangup-ms MS]
 *                                    appends an entry to the phone book
 *   rassim phonebook clear           empties the phone book
 *   rassim phonebook list            prints the entry names, one a line
 *   rassim demo                      replaces the phone book by a demo one
 *   rassim connections               prints "HANDLE STATE ERROR NAME" for
 *                                    each active connection, in order
 *   rassim drop HANDLE | --all       removes connections at once
 *   rassim dials                     prints the record of dials: HANDLE,
 *                                    entry, phone, user, password yes/no,
 *                                    tab separated, one dial a line
 *   rassim dial NAME [--phone N] [--user U] [--password P] [--async]
 *                                    dials through the library beside this
 *                                    program with the entry's stored values
 *                                    where none is given, and prints
 *                                    "HANDLE RESULT";
 *                                    --async dials with a notifier and exits
 *                                    at once, abandoning the dial
 *   rassim fault enum-entries-error CODE
 *   rassim fault enum-connections-error CODE
 *   rassim fault add-entry-between-requests
 *   rassim fault status-fails-after POLLS CODE
 *   rassim fault clear               sets or clears the fault switches
 *
 * Exit code 0 on success, 1 when the state cannot be read or written or a
 * handle or entry is unknown (with a message on standard error), 2 for a
 * command line it does not understand. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "remote_access/ras_functions.h"
#include "simulator/sim_state.h"
#include "simulator/sim_text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#ifdef _WIN32
#define SIM_LIBRARY_FILE "rasapi32.dll"
#else
#define SIM_LIBRARY_FILE "librasapi32.so"
#endif

static int Fail(const char* what) {
  fprintf(stderr, "rassim: %s\n", what);
  return 1;
}

static int Usage(void) {
  fprintf(stderr, "rassim: unknown command line; see the comment at the top of rassim.c\n");
  return 2;
}

/* A whole-string number within bounds. */
static int ReadNumber(const char* text, int64_t low, int64_t high, int64_t* value) {
  return SimParseNumber(text, text + strlen(text), value) && *value >= low && *value <= high;
}

static int SetText(char* field, size_t size, const char* value) {
  if (strlen(value) >= size || strchr(value, '\n') || strchr(value, '\r')) return 0;
  strcpy(field, value);
  return 1;
}

static int ReadUint(const char* text, int64_t low, int64_t high, uint32_t* value) {
  int64_t number;
  if (!ReadNumber(text, low, high, &number)) return 0;
  *value = (uint32_t)number;
  return 1;
}

/* One option of "phonebook add" with its value. */
static int ReadEntryOption(const char* option, const char* value, SimEntry* entry) {
  if (strcmp(option, "--phone") == 0) return SetText(entry->phone, sizeof entry->phone, value);
  if (strcmp(option, "--callback") == 0)
    return SetText(entry->callback, sizeof entry->callback, value);
  if (strcmp(option, "--user") == 0) return SetText(entry->user, sizeof entry->user, value);
  if (strcmp(option, "--password") == 0)
    return SetText(entry->password, sizeof entry->password, value);
  if (strcmp(option, "--domain") == 0) return SetText(entry->domain, sizeof entry->domain, value);
  if (strcmp(option, "--states") == 0) return SimParseStates(entry, value);
  if (strcmp(option, "--step-ms") == 0) return ReadUint(value, 0, 600000, &entry->step_ms);
  if (strcmp(option, "--fail-at") == 0) return ReadNumber(value, 0, 0xFFFFFFFFLL, &entry->fail_at);
  if (strcmp(option, "--error") == 0) return ReadUint(value, 1, 0xFFFFFFFFLL, &entry->error);
  if (strcmp(option, "--hangup-ms") == 0) return ReadUint(value, 0, 600000, &entry->hangup_ms);
  return 0;
}

/* Reads the options of "phonebook add" into an entry. */
static int ReadEntryOptions(int argc, char** argv, SimEntry* entry) {
  int i;
  for (i = 0; i < argc; i++) {
    if (strcmp(argv[i], "--never-finish") == 0) {
      entry->never_finish = 1;
    } else if (i + 1 < argc && ReadEntryOption(argv[i], argv[i + 1], entry)) {
      i++;
    } else {
      return 0;
    }
  }
  return 1;
}

/* Loads the phone book, lets change() alter it, and saves it. */
static int EditPhoneBook(int (*change)(SimPhoneBook*, const void*), const void* data) {
  SimSession session;
  SimPhoneBook book;
  int result = 1;
  if (SimOpen(&session) != 0) return Fail("cannot open the state folder");
  if (SimLoadPhoneBook(&session, &book) != 0) {
    SimClose(&session);
    return Fail("cannot read the phone book");
  }
  if (change(&book, data) && SimSavePhoneBook(&session, &book) == 0)
    result = 0;
  else
    Fail("cannot change the phone book");
  SimFreePhoneBook(&book);
  SimClose(&session);
  return result;
}

static int AppendEntry(SimPhoneBook* book, const void* data) {
  const SimEntry* entry = (const SimEntry*)data;
  int i;
  for (i = 0; i < book->count; i++)
    if (strcmp(book->entries[i].name, entry->name) == 0) return 0;
  return SimAddEntry(book, entry);
}

static int ClearEntries(SimPhoneBook* book, const void* data) {
  SimFreePhoneBook(book);
  return 1;
}

static void DemoEntry(SimPhoneBook* book, const char* name, const char* phone, const char* user,
                      const char* password, int64_t fail_at, uint32_t error) {
  SimEntry entry;
  SimDefaultEntry(&entry, name);
  SimCopy(entry.phone, sizeof entry.phone, phone);
  SimCopy(entry.user, sizeof entry.user, user);
  SimCopy(entry.password, sizeof entry.password, password);
  entry.fail_at = fail_at;
  if (error) entry.error = error;
  SimAddEntry(book, &entry);
}

static int DemoEntries(SimPhoneBook* book, const void* data) {
  SimFreePhoneBook(book);
  DemoEntry(book, "Office", "5551234", "alice", "secret", -1, 0);
  DemoEntry(book, "Home ISP", "5559876", "bob", "", -1, 0);
  DemoEntry(book, "Busy Line", "5550000", "carol", "pw", RASCS_ConnectDevice, RAS_ERROR_LINE_BUSY);
  DemoEntry(book, "No Answer", "5550001", "dave", "pw", RASCS_ConnectDevice, RAS_ERROR_NO_ANSWER);
  DemoEntry(book, "Wrong Password", "5550002", "erin", "bad", RASCS_Authenticate,
            RAS_ERROR_AUTHENTICATION_FAILURE);
  DemoEntry(book, "Never Connects", "5550003", "frank", "pw", -1, 0);
  DemoEntry(book, "Slow Hang-up", "5550004", "grace", "pw", -1, 0);
  if (book->count != 7) return 0;
  book->entries[5].never_finish = 1;
  book->entries[6].hangup_ms = 2000;
  return 1;
}

static int PhoneBookCommand(int argc, char** argv) {
  SimEntry entry;
  if (argc >= 1 && strcmp(argv[0], "add") == 0) {
    if (argc < 2 || argv[1][0] == '\0' || strlen(argv[1]) > RAS_MAX_ENTRY_NAME ||
        strpbrk(argv[1], "\r\n") != NULL)
      return Usage();
    SimDefaultEntry(&entry, argv[1]);
    if (!ReadEntryOptions(argc - 2, argv + 2, &entry)) return Usage();
    return EditPhoneBook(AppendEntry, &entry);
  }
  if (argc == 1 && strcmp(argv[0], "clear") == 0) return EditPhoneBook(ClearEntries, NULL);
  if (argc == 1 && strcmp(argv[0], "list") == 0) {
    SimSession session;
    SimPhoneBook book;
    int i;
    uint32_t result = SimOpen(&session);
    if (result == 0) result = SimLoadPhoneBook(&session, &book);
    SimClose(&session);
    if (result) return Fail("cannot read the phone book");
    for (i = 0; i < book.count; i++) printf("%s\n", book.entries[i].name);
    SimFreePhoneBook(&book);
    return 0;
  }
  return Usage();
}

static int ConnectionsCommand(void) {
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

static int DropCommand(int argc, char** argv) {
  SimSession session;
  SimConns conns;
  int64_t handle = 0;
  int all = argc == 1 && strcmp(argv[0], "--all") == 0;
  int result = 0;
  if (argc != 1 || (!all && !ReadNumber(argv[0], 1, 0xFFFFFFFFLL, &handle))) return Usage();
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

static int DialsCommand(void) {
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

/* One option of "dial" with its value. */
static int ReadDialOption(const char* option, const char* value, RASDIALPARAMS* params) {
  if (strcmp(option, "--phone") == 0)
    return SetText(params->szPhoneNumber, sizeof params->szPhoneNumber, value);
  if (strcmp(option, "--user") == 0)
    return SetText(params->szUserName, sizeof params->szUserName, value);
  if (strcmp(option, "--password") == 0)
    return SetText(params->szPassword, sizeof params->szPassword, value);
  return 0;
}

static void RAS_CALL IgnoreNotification(uint32_t message, uint32_t state, uint32_t error) {}

static int DialCommand(int argc, char** argv) {
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
  if (argc < 1 || !SetText(params.szEntryName, sizeof params.szEntryName, argv[0])) return Usage();
  for (i = 1; i < argc; i++) {
    const char* value = i + 1 < argc ? argv[i + 1] : NULL;
    if (strcmp(argv[i], "--async") == 0) {
      async = 1;
      continue;
    }
    if (value == NULL || !ReadDialOption(argv[i], value, &params)) return Usage();
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

static int FaultCommand(int argc, char** argv) {
  SimSession session;
  SimFaults faults;
  int64_t first = 0, second = 0;
  int result = 0;
  if (argc < 1) return Usage();
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
    Usage();
  else if (SimSaveFaults(&session, &faults) != 0)
    result = Fail("cannot write the fault switches");
  SimClose(&session);
  return result;
}

int main(int argc, char** argv) {
  SimSession session;
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the same LF lines on every build
#endif
  if (argc < 2) return Usage();
  if (strcmp(argv[1], "dir") == 0 && argc == 2) {
    if (SimOpen(&session) != 0) return Fail("cannot open the state folder");
    SimClose(&session);
    printf("%s\n", session.dir);
    return 0;
  }
  if (strcmp(argv[1], "phonebook") == 0) return PhoneBookCommand(argc - 2, argv + 2);
  if (strcmp(argv[1], "demo") == 0 && argc == 2) return EditPhoneBook(DemoEntries, NULL);
  if (strcmp(argv[1], "connections") == 0 && argc == 2) return ConnectionsCommand();
  if (strcmp(argv[1], "drop") == 0) return DropCommand(argc - 2, argv + 2);
  if (strcmp(argv[1], "dials") == 0 && argc == 2) return DialsCommand();
  if (strcmp(argv[1], "dial") == 0) return DialCommand(argc - 2, argv + 2);
  if (strcmp(argv[1], "fault") == 0) return FaultCommand(argc - 2, argv + 2);
  return Usage();
}
