/* The phone book: phonebook.ini read into entries, written back, and
 * searched by name. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "simulator/sim_state.h"
#include "simulator/sim_text.h"

static const uint32_t kDefaultStates[] = {0, 1, 2, 3, 4, 5, 6, 10, 14, 18, 8192};
#define kDefaultStateCount ((int)(sizeof kDefaultStates / sizeof kDefaultStates[0]))
#define kDefaultStepMs 100
#define kDefaultError 678

void SimDefaultEntry(SimEntry* entry, const char* name) {
  memset(entry, 0, sizeof *entry);
  SimCopy(entry->name, sizeof entry->name, name);
  memcpy(entry->states, kDefaultStates, sizeof kDefaultStates);
  entry->state_count = kDefaultStateCount;
  entry->step_ms = kDefaultStepMs;
  entry->fail_at = -1;
  entry->notify_after_query = -1;
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
  } else if (SimKeyIs(key, "NotifyAfterQuery")) {
    ok = SimSetNumber(value, 0, 0xFFFFFFFFLL, &number);
    entry->notify_after_query = number;
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
  if (entry->notify_after_query >= 0)
    SimWriteNumberKey(text, "NotifyAfterQuery", entry->notify_after_query);
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

/* The service's own rules for matching a name, kept apart from the
 * dialer's on purpose: the simulator stands for the real service, which
 * trims both ends and ignores ASCII case only, whatever the dialer does.
 * The name without leading and trailing blanks, as a pointer and length. */
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
