/* The state folder: locking it, and reading and writing its files. */
#include "simulator/sim_state.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "simulator/sim_text.h"

static const uint32_t kDefaultStates[] = {0, 1, 2, 3, 4, 5, 6, 10, 14, 18, 8192};
#define kDefaultStateCount ((int)(sizeof kDefaultStates / sizeof kDefaultStates[0]))
#define kDefaultStepMs 100
#define kDefaultError 678

void SimCopy(char* out, size_t size, const char* text) {
  size_t length = strlen(text);
  if (length >= size) length = size - 1;
  memcpy(out, text, length);
  out[length] = '\0';
}

/* ---- Folder and lock ---------------------------------------------------- */

static int SimDefaultDir(char* out, size_t size) {
  char home[SIM_PATH_MAX];
  if (!SimHomeDir(home, sizeof home)) return 0;
  return snprintf(out, size, "%s%c.rassim", home, SIM_PATH_SEP) < (int)size;
}

uint32_t SimOpen(SimSession* session) {
  char dir[SIM_PATH_MAX];
  if (!SimGetEnv("RASSIM_DIR", dir, sizeof dir) && !SimDefaultDir(dir, sizeof dir)) {
    session->lock = -1;
    return SIM_ERROR_CANNOT_OPEN_STATE;
  }
  return SimOpenDir(session, dir, 1);
}

uint32_t SimOpenDir(SimSession* session, const char* dir, int create) {
  char lock[SIM_PATH_MAX];
  session->lock = -1;
  if (strlen(dir) + 32 >= sizeof session->dir) return SIM_ERROR_CANNOT_OPEN_STATE;
  strcpy(session->dir, dir);
  if (create && !SimMakeDir(dir)) return SIM_ERROR_CANNOT_OPEN_STATE;
  SimPath(session, "lock", lock, sizeof lock);
  session->lock = SimLockAcquire(lock);
  return session->lock == -1 ? SIM_ERROR_CANNOT_OPEN_STATE : 0;
}

void SimClose(SimSession* session) {
  SimLockRelease(session->lock);
  session->lock = -1;
}

void SimPath(const SimSession* session, const char* file, char* out, size_t size) {
  int length = snprintf(out, size, "%s%c%s", session->dir, SIM_PATH_SEP, file);
  /* A path that does not fit names no file rather than a shorter one. */
  if (length < 0 || (size_t)length >= size) out[0] = '\0';
}

/* ---- Whole files -------------------------------------------------------- */

int SimReadWholeFile(const char* path, char** data, size_t* size) {
  FILE* file = fopen(path, "rb");
  SimText text = {0};
  char chunk[4096];
  size_t got;
  *data = NULL;
  *size = 0;
  if (file == NULL) return errno == ENOENT ? 0 : -1;
  SimTextAppend(&text, "", 0);
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) SimTextAppend(&text, chunk, got);
  if (ferror(file) || text.failed) {
    fclose(file);
    SimTextFree(&text);
    return -1;
  }
  fclose(file);
  *data = text.data;
  *size = text.length;
  return 1;
}

int SimWriteFileAtomic(const SimSession* session, const char* file, const char* data, size_t size) {
  char path[SIM_PATH_MAX], temp[SIM_PATH_MAX + 8];
  FILE* out;
  int ok;
  SimPath(session, file, path, sizeof path);
  snprintf(temp, sizeof temp, "%s.tmp", path);
  out = fopen(temp, "wb");
  if (out == NULL) return 0;
  ok = fwrite(data, 1, size, out) == size;
  ok = (fclose(out) == 0) && ok;
  if (ok) ok = SimReplaceFile(temp, path);
  if (!ok) remove(temp);
  return ok;
}

/* Splits data into lines in place, without their CR LF or LF. Returns the
 * next line or NULL at the end. */
static char* SimNextLine(char** cursor) {
  char* line = *cursor;
  char* end;
  if (line == NULL || *line == '\0') return NULL;
  end = strchr(line, '\n');
  if (end != NULL) {
    *end = '\0';
    *cursor = end + 1;
  } else {
    *cursor = line + strlen(line);
  }
  end = line + strlen(line);
  if (end > line && end[-1] == '\r') end[-1] = '\0';
  return line;
}

static int SimIsSpace(char c) {
  return c == ' ' || c == '\t';
}

/* ---- Phone book --------------------------------------------------------- */

void SimDefaultEntry(SimEntry* entry, const char* name) {
  memset(entry, 0, sizeof *entry);
  SimCopy(entry->name, sizeof entry->name, name);
  memcpy(entry->states, kDefaultStates, sizeof kDefaultStates);
  entry->state_count = kDefaultStateCount;
  entry->step_ms = kDefaultStepMs;
  entry->fail_at = -1;
  entry->error = kDefaultError;
}

int SimAddEntry(SimPhoneBook* book, const SimEntry* entry) {
  SimEntry* grown = (SimEntry*)realloc(book->entries, sizeof(SimEntry) * (size_t)(book->count + 1));
  if (grown == NULL) return 0;
  book->entries = grown;
  book->entries[book->count++] = *entry;
  return 1;
}

void SimFreePhoneBook(SimPhoneBook* book) {
  free(book->entries);
  book->entries = NULL;
  book->count = 0;
}

/* Copies a value into a field, refusing one that does not fit. */
static int SimSetField(char* field, size_t size, const char* value) {
  if (strlen(value) >= size) return 0;
  strcpy(field, value);
  return 1;
}

static int SimSetNumber(const char* value, int64_t low, int64_t high, int64_t* out) {
  return SimParseNumber(value, value + strlen(value), out) && *out >= low && *out <= high;
}

int SimParseStates(SimEntry* entry, const char* value) {
  const char* begin = value;
  entry->state_count = 0;
  for (;;) {
    const char* end = strchr(begin, ',');
    int64_t state;
    if (end == NULL) end = begin + strlen(begin);
    if (entry->state_count == SIM_MAX_STATES || !SimParseNumber(begin, end, &state) || state < 0 ||
        state > 0xFFFFFFFFLL)
      return 0;
    entry->states[entry->state_count++] = (uint32_t)state;
    if (*end == '\0') return 1;
    begin = end + 1;
  }
}

static int SimSameLetters(const char* a, const char* b, size_t length);

/* Key names ignore ASCII case. */
static int SimKeyIs(const char* key, const char* name) {
  return strlen(key) == strlen(name) && SimSameLetters(key, name, strlen(key));
}

/* Applies one key; unknown keys are kept by real phone books, so ignored. */
static int SimSetKey(SimEntry* entry, const char* key, const char* value) {
  int64_t number = 0;
  int ok;
  if (SimKeyIs(key, "PhoneNumber")) return SimSetField(entry->phone, sizeof entry->phone, value);
  if (SimKeyIs(key, "CallbackNumber"))
    return SimSetField(entry->callback, sizeof entry->callback, value);
  if (SimKeyIs(key, "UserName")) return SimSetField(entry->user, sizeof entry->user, value);
  if (SimKeyIs(key, "Password")) return SimSetField(entry->password, sizeof entry->password, value);
  if (SimKeyIs(key, "Domain")) return SimSetField(entry->domain, sizeof entry->domain, value);
  if (SimKeyIs(key, "States")) return SimParseStates(entry, value);
  if (SimKeyIs(key, "StepMs")) {
    ok = SimSetNumber(value, 0, 600000, &number);
    entry->step_ms = (uint32_t)number;
  } else if (SimKeyIs(key, "FailAt")) {
    ok = SimSetNumber(value, 0, 0xFFFFFFFFLL, &number);
    entry->fail_at = number;
  } else if (SimKeyIs(key, "Error")) {
    ok = SimSetNumber(value, 1, 0xFFFFFFFFLL, &number);
    entry->error = (uint32_t)number;
  } else if (SimKeyIs(key, "NeverFinish")) {
    ok = SimSetNumber(value, 0, 1, &number);
    entry->never_finish = (int)number;
  } else if (SimKeyIs(key, "HangUpMs")) {
    ok = SimSetNumber(value, 0, 600000, &number);
    entry->hangup_ms = (uint32_t)number;
  } else {
    ok = 1;
  }
  return ok;
}

/* A section header: the bytes between the first '[' and the last ']', with
 * only blanks after the ']'. */
static int SimParseSection(char* line, SimPhoneBook* book) {
  char* close = strrchr(line, ']');
  SimEntry entry;
  const char* rest;
  if (close == NULL || close == line + 1) return 0;
  for (rest = close + 1; *rest; rest++)
    if (!SimIsSpace(*rest)) return 0;
  *close = '\0';
  if (strlen(line + 1) > RAS_MAX_ENTRY_NAME) return 0;
  SimDefaultEntry(&entry, line + 1);
  return SimAddEntry(book, &entry);
}

static int SimParseKey(char* line, SimPhoneBook* book) {
  char* equals = strchr(line, '=');
  char* end;
  if (equals == NULL || book->count == 0) return 0;
  for (end = equals; end > line && SimIsSpace(end[-1]); end--) {
  }
  *end = '\0';
  return line[0] != '\0' && SimSetKey(&book->entries[book->count - 1], line, equals + 1);
}

uint32_t SimLoadPhoneBook(const SimSession* session, SimPhoneBook* book) {
  char path[SIM_PATH_MAX];
  char *data, *cursor, *line;
  size_t size;
  int read;
  book->entries = NULL;
  book->count = 0;
  SimPath(session, "phonebook.ini", path, sizeof path);
  read = SimReadWholeFile(path, &data, &size);
  if (read == 0) return 0;
  if (read < 0) return SIM_ERROR_CANNOT_OPEN_STATE;
  if (strlen(data) != size) {  // a NUL byte has no place in a text file
    free(data);
    return SIM_ERROR_CORRUPT_PHONEBOOK;
  }
  cursor = data;
  while ((line = SimNextLine(&cursor)) != NULL) {
    int ok = 1;
    while (SimIsSpace(*line)) line++;
    if (*line == '\0' || *line == ';' || *line == '#') continue;
    ok = *line == '[' ? SimParseSection(line, book) : SimParseKey(line, book);
    if (!ok) {
      free(data);
      SimFreePhoneBook(book);
      return SIM_ERROR_CORRUPT_PHONEBOOK;
    }
  }
  free(data);
  return 0;
}

static void SimWriteKey(SimText* text, const char* key, const char* value) {
  if (value[0] == '\0') return;
  SimTextString(text, key);
  SimTextString(text, "=");
  SimTextString(text, value);
  SimTextString(text, "\n");
}

static void SimWriteNumberKey(SimText* text, const char* key, int64_t value) {
  SimTextString(text, key);
  SimTextString(text, "=");
  SimTextNumber(text, value);
  SimTextString(text, "\n");
}

static void SimWriteEntry(SimText* text, const SimEntry* entry) {
  int i;
  SimTextString(text, "[");
  SimTextString(text, entry->name);
  SimTextString(text, "]\n");
  SimWriteKey(text, "PhoneNumber", entry->phone);
  SimWriteKey(text, "CallbackNumber", entry->callback);
  SimWriteKey(text, "UserName", entry->user);
  SimWriteKey(text, "Password", entry->password);
  SimWriteKey(text, "Domain", entry->domain);
  if (entry->state_count != kDefaultStateCount ||
      memcmp(entry->states, kDefaultStates, sizeof kDefaultStates) != 0) {
    SimTextString(text, "States=");
    for (i = 0; i < entry->state_count; i++) {
      if (i > 0) SimTextString(text, ",");
      SimTextNumber(text, entry->states[i]);
    }
    SimTextString(text, "\n");
  }
  if (entry->step_ms != kDefaultStepMs) SimWriteNumberKey(text, "StepMs", entry->step_ms);
  if (entry->fail_at >= 0) {
    SimWriteNumberKey(text, "FailAt", entry->fail_at);
    SimWriteNumberKey(text, "Error", entry->error);
  }
  if (entry->never_finish) SimWriteNumberKey(text, "NeverFinish", 1);
  if (entry->hangup_ms) SimWriteNumberKey(text, "HangUpMs", entry->hangup_ms);
}

uint32_t SimSavePhoneBook(const SimSession* session, const SimPhoneBook* book) {
  SimText text = {0};
  int i, ok;
  SimTextAppend(&text, "", 0);
  for (i = 0; i < book->count; i++) SimWriteEntry(&text, &book->entries[i]);
  ok = !text.failed && SimWriteFileAtomic(session, "phonebook.ini", text.data, text.length);
  SimTextFree(&text);
  return ok ? 0 : SIM_ERROR_CANNOT_WRITE_STATE;
}

/* The name without leading and trailing blanks, as a pointer and length. */
static const char* SimTrim(const char* name, size_t* length) {
  const char* end = name + strlen(name);
  while (*name == ' ') name++;
  while (end > name && end[-1] == ' ') end--;
  *length = (size_t)(end - name);
  return name;
}

static int SimSameLetters(const char* a, const char* b, size_t length) {
  size_t i;
  for (i = 0; i < length; i++) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = (char)(x - 32);
    if (y >= 'a' && y <= 'z') y = (char)(y - 32);
    if (x != y) return 0;
  }
  return 1;
}

int SimFindEntry(const SimPhoneBook* book, const char* name) {
  size_t length, other;
  const char* wanted = SimTrim(name, &length);
  int i;
  for (i = 0; i < book->count; i++) {
    const char* have = SimTrim(book->entries[i].name, &other);
    if (other == length && SimSameLetters(have, wanted, length)) return i;
  }
  return -1;
}

/* ---- Connections -------------------------------------------------------- */

SimConn* SimAddConnection(SimConns* conns) {
  SimConn* grown = (SimConn*)realloc(conns->items, sizeof(SimConn) * (size_t)(conns->count + 1));
  if (grown == NULL) return NULL;
  conns->items = grown;
  memset(&grown[conns->count], 0, sizeof(SimConn));
  return &grown[conns->count++];
}

SimConn* SimFindConnection(SimConns* conns, uint32_t handle) {
  int i;
  for (i = 0; i < conns->count; i++)
    if (conns->items[i].handle == handle) return &conns->items[i];
  return NULL;
}

void SimRemoveConnection(SimConns* conns, uint32_t handle) {
  int i;
  for (i = 0; i < conns->count; i++) {
    if (conns->items[i].handle == handle) {
      memmove(&conns->items[i], &conns->items[i + 1],
              sizeof(SimConn) * (size_t)(conns->count - i - 1));
      conns->count--;
      return;
    }
  }
}

void SimFreeConnections(SimConns* conns) {
  free(conns->items);
  conns->items = NULL;
  conns->count = 0;
}

uint32_t SimReportedState(const SimConn* conn) {
  return conn->hangup_at != 0 ? (uint32_t)RASCS_Disconnected : conn->state;
}

/* One "HANDLE PID STATE ERROR HANGUPMS HANGUPAT NAME" line; a line that does
 * not parse is skipped. */
static void SimParseConnection(char* line, SimConns* conns) {
  int64_t fields[6];
  int i;
  SimConn* conn;
  for (i = 0; i < 6; i++) {
    char* space = strchr(line, ' ');
    if (space == NULL || !SimParseNumber(line, space, &fields[i])) return;
    line = space + 1;
  }
  if (fields[0] <= 0 || strlen(line) > RAS_MAX_ENTRY_NAME) return;
  conn = SimAddConnection(conns);
  if (conn == NULL) return;
  conn->handle = (uint32_t)fields[0];
  conn->pid = (uint32_t)fields[1];
  conn->state = (uint32_t)fields[2];
  conn->error = (uint32_t)fields[3];
  conn->hangup_ms = (uint32_t)fields[4];
  conn->hangup_at = fields[5];
  strcpy(conn->name, line);
}

/* Whether a connection has gone by itself since it was last looked at. */
static int SimConnectionGone(const SimConn* conn, int64_t now) {
  if (conn->hangup_at != 0) return now >= conn->hangup_at;
  return conn->state != RASCS_Connected && !SimProcessAlive(conn->pid);
}

uint32_t SimLoadConnections(const SimSession* session, SimConns* conns) {
  char path[SIM_PATH_MAX];
  char *data, *cursor, *line;
  size_t size;
  int read, i, dropped = 0;
  int64_t now = SimNowMs(), next = 1;
  conns->items = NULL;
  conns->count = 0;
  SimPath(session, "connections.txt", path, sizeof path);
  read = SimReadWholeFile(path, &data, &size);
  if (read < 0) return SIM_ERROR_CANNOT_OPEN_STATE;
  cursor = data;
  while ((line = SimNextLine(&cursor)) != NULL) {
    if (strncmp(line, "next ", 5) == 0) {
      if (!SimParseNumber(line + 5, line + strlen(line), &next) || next < 1) next = 1;
    } else {
      SimParseConnection(line, conns);
    }
  }
  free(data);
  conns->next_handle = (uint32_t)next;
  for (i = conns->count - 1; i >= 0; i--) {
    // Never hand out a handle that a surviving line still holds.
    if (conns->items[i].handle >= conns->next_handle)
      conns->next_handle = conns->items[i].handle + 1;
    if (SimConnectionGone(&conns->items[i], now)) {
      SimRemoveConnection(conns, conns->items[i].handle);
      dropped = 1;
    }
  }
  return dropped ? SimSaveConnections(session, conns) : 0;
}

uint32_t SimSaveConnections(const SimSession* session, const SimConns* conns) {
  SimText text = {0};
  int i, ok;
  SimTextString(&text, "next ");
  SimTextNumber(&text, conns->next_handle);
  SimTextString(&text, "\n");
  for (i = 0; i < conns->count; i++) {
    const SimConn* conn = &conns->items[i];
    int64_t fields[6] = {conn->handle, conn->pid,       conn->state,
                         conn->error,  conn->hangup_ms, conn->hangup_at};
    int f;
    for (f = 0; f < 6; f++) {
      SimTextNumber(&text, fields[f]);
      SimTextString(&text, " ");
    }
    SimTextString(&text, conn->name);
    SimTextString(&text, "\n");
  }
  ok = !text.failed && SimWriteFileAtomic(session, "connections.txt", text.data, text.length);
  SimTextFree(&text);
  return ok ? 0 : SIM_ERROR_CANNOT_WRITE_STATE;
}

/* ---- Faults ------------------------------------------------------------- */

void SimLoadFaults(const SimSession* session, SimFaults* faults) {
  char path[SIM_PATH_MAX];
  char *data, *cursor, *line;
  size_t size;
  memset(faults, 0, sizeof *faults);
  faults->status_fails_after = -1;
  SimPath(session, "faults.ini", path, sizeof path);
  if (SimReadWholeFile(path, &data, &size) <= 0) return;
  cursor = data;
  while ((line = SimNextLine(&cursor)) != NULL) {
    char* equals = strchr(line, '=');
    int64_t value;
    if (equals == NULL || !SimParseNumber(equals + 1, equals + 1 + strlen(equals + 1), &value))
      continue;
    *equals = '\0';
    if (strcmp(line, "enum-entries-error") == 0) faults->enum_entries_error = (uint32_t)value;
    if (strcmp(line, "enum-connections-error") == 0)
      faults->enum_connections_error = (uint32_t)value;
    if (strcmp(line, "add-entry-between-requests") == 0)
      faults->add_entry_between_requests = value != 0;
    if (strcmp(line, "status-fails-after") == 0) faults->status_fails_after = value;
    if (strcmp(line, "status-fails-code") == 0) faults->status_fails_code = (uint32_t)value;
    if (strcmp(line, "status-polls") == 0) faults->status_polls = value;
  }
  free(data);
}

uint32_t SimSaveFaults(const SimSession* session, const SimFaults* faults) {
  SimText text = {0};
  int ok;
  SimTextAppend(&text, "", 0);
  if (faults->enum_entries_error)
    SimWriteNumberKey(&text, "enum-entries-error", faults->enum_entries_error);
  if (faults->enum_connections_error)
    SimWriteNumberKey(&text, "enum-connections-error", faults->enum_connections_error);
  if (faults->add_entry_between_requests) SimWriteNumberKey(&text, "add-entry-between-requests", 1);
  if (faults->status_fails_after >= 0) {
    SimWriteNumberKey(&text, "status-fails-after", faults->status_fails_after);
    SimWriteNumberKey(&text, "status-fails-code", faults->status_fails_code);
    SimWriteNumberKey(&text, "status-polls", faults->status_polls);
  }
  ok = !text.failed && SimWriteFileAtomic(session, "faults.ini", text.data, text.length);
  SimTextFree(&text);
  return ok ? 0 : SIM_ERROR_CANNOT_WRITE_STATE;
}

/* ---- Record of dials ---------------------------------------------------- */

void SimRecordDial(const SimSession* session, uint32_t handle, const RASDIALPARAMS* params) {
  char path[SIM_PATH_MAX];
  char* data;
  size_t size;
  SimText text = {0};
  SimPath(session, "dials.txt", path, sizeof path);
  if (SimReadWholeFile(path, &data, &size) > 0) SimTextAppend(&text, data, size);
  free(data);
  SimTextNumber(&text, handle);
  SimTextString(&text, "\t");
  SimTextString(&text, params->szEntryName);
  SimTextString(&text, "\t");
  SimTextString(&text, params->szPhoneNumber);
  SimTextString(&text, "\t");
  SimTextString(&text, params->szUserName);
  SimTextString(&text, params->szPassword[0] ? "\tyes\n" : "\tno\n");
  if (!text.failed) SimWriteFileAtomic(session, "dials.txt", text.data, text.length);
  SimTextFree(&text);
}
