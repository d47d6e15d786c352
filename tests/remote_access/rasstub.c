/* A thread-free stand-in for rasapi32 that records each load and free of
 * itself and each call made to it, so tests can see exactly how the
 * binding uses the library. Everything is driven by environment variables
 * read at each call, since the library forgets all state when it is freed:
 *   RASSTUB_LOG          file that gets one line per load, free and call
 *   RASSTUB_ENTRIES      phone-book entry names, separated by '|'
 *   RASSTUB_CONNECTIONS  entry names of active connections, separated by
 *                        '|'; their handles are 1001, 1002, ...
 *   RASSTUB_ENUM_SCRIPT  "result,count;..." answers for the first calls of
 *                        each enumeration, in order; "-" answers normally
 *   RASSTUB_LIVE_POLLS   status queries a hung-up connection survives
 *                        (counted in the log); "forever" never drops it
 *   RASSTUB_DIAL_HANDLE  when set, the entry's dial parameters can be had
 *                        and RasDialA succeeds with this handle
 * Built without RasGetConnectStatusA when RASSTUB_WITHOUT_STATUS is set. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "remote_access/library_export.h"
#include "remote_access/ras_functions.h"

#ifdef _WIN32
#include <windows.h>
#endif

/* Each definition below must match its entry in the list. */
#define RAS_FUNCTION_PROTOTYPE(name, bytes, parameters) uint32_t RAS_CALL name parameters;
RAS_FUNCTIONS(RAS_FUNCTION_PROTOTYPE)
#undef RAS_FUNCTION_PROTOTYPE

#define FIRST_HANDLE 1001u

static const char* Setting(const char* name, char* buffer, size_t size) {
#ifdef _WIN32
  DWORD length = GetEnvironmentVariableA(name, buffer, (DWORD)size);
  if (length == 0 || length >= size) return NULL;
  return buffer;
#else
  const char* value = getenv(name);
  if (value == NULL || strlen(value) >= size) return NULL;
  memcpy(buffer, value, strlen(value) + 1);
  return buffer;
#endif
}

static void Record(const char* line) {
  char path[1024];
  if (Setting("RASSTUB_LOG", path, sizeof(path)) == NULL) return;
  FILE* file = fopen(path, "ab");
  if (file == NULL) return;
  (void)fprintf(file, "%s\n", line);
  (void)fclose(file);
}

/* Lines of the log that start with the prefix. */
static unsigned CountRecorded(const char* prefix) {
  char path[1024], line[512];
  unsigned count = 0;
  if (Setting("RASSTUB_LOG", path, sizeof(path)) == NULL) return 0;
  FILE* file = fopen(path, "rb");
  if (file == NULL) return 0;
  while (fgets(line, sizeof(line), file) != NULL) {
    if (strncmp(line, prefix, strlen(prefix)) == 0) ++count;
  }
  (void)fclose(file);
  return count;
}

/* The n-th (from 0) '|'-separated item of a setting; 0 when it has none. */
static int ItemOf(const char* setting, unsigned n, char* item, size_t size) {
  char text[65536];
  const char* value = Setting(setting, text, sizeof(text));
  if (value == NULL || *value == '\0') return 0;
  for (unsigned i = 0; i < n; ++i) {
    value = strchr(value, '|');
    if (value == NULL) return 0;
    ++value;
  }
  size_t length = strcspn(value, "|");
  if (length >= size) length = size - 1;
  memcpy(item, value, length);
  item[length] = '\0';
  return 1;
}

static unsigned ItemCount(const char* setting) {
  char item[300];
  unsigned count = 0;
  while (ItemOf(setting, count, item, sizeof(item))) ++count;
  return count;
}

/* The scripted answer for call number `call` (from 0) of an enumeration;
 * 0 when that call answers normally. */
static int Scripted(unsigned call, uint32_t* result, uint32_t* count) {
  char script[1024];
  const char* step = Setting("RASSTUB_ENUM_SCRIPT", script, sizeof(script));
  for (unsigned i = 0; step != NULL && i < call; ++i) {
    step = strchr(step, ';');
    if (step != NULL) ++step;
  }
  if (step == NULL || *step == '-' || *step == '\0') return 0;
  unsigned long long code = 0, number = 0;
  if (sscanf(step, "%llu,%llu", &code, &number) != 2) return 0;
  *result = (uint32_t)code;
  *count = (uint32_t)number;
  return 1;
}

/* Fills `capacity` records (or says 603) as the real service does. */
static uint32_t Enumerate(const char* setting, const char* call, unsigned recordSize,
                          unsigned nameOffset, void* records, uint32_t* size, uint32_t* count) {
  char line[64];
  (void)snprintf(line, sizeof(line), "%s %lu", call, (unsigned long)*size);
  unsigned previous = CountRecorded(call);
  Record(line);
  uint32_t result, forced;
  int scripted = Scripted(previous, &result, &forced);
  if (scripted && result != 0) {
    *count = forced;
    return result;
  }
  if (*(uint32_t*)records != recordSize) return RAS_ERROR_INVALID_SIZE;
  unsigned total = ItemCount(setting);
  if (!scripted && *size < total * recordSize) {
    *count = total;
    *size = total * recordSize;
    return RAS_ERROR_BUFFER_TOO_SMALL;
  }
  /* A scripted success fills what fits and then claims its own count. */
  unsigned filled = total < *size / recordSize ? total : *size / recordSize;
  for (unsigned i = 0; i < filled; ++i) {
    char* record = (char*)records + (size_t)i * recordSize;
    *(uint32_t*)record = recordSize;
    if (nameOffset == 8) ((RASCONN*)record)->hrasconn = FIRST_HANDLE + i;
    ItemOf(setting, i, record + nameOffset, RAS_MAX_ENTRY_NAME + 1);
  }
  *count = scripted ? forced : total;
  return 0;
}

static int KnownHandle(HRASCONN handle) {
  return handle >= FIRST_HANDLE && handle < FIRST_HANDLE + ItemCount("RASSTUB_CONNECTIONS");
}

NELVO_EXPORT uint32_t RAS_CALL RasEnumEntriesA(const char* reserved, const char* phoneBook,
                                               RASENTRYNAME* entries, uint32_t* size,
                                               uint32_t* count) {
  return Enumerate("RASSTUB_ENTRIES", "enum-entries", sizeof(RASENTRYNAME), 4, entries, size,
                   count);
}

NELVO_EXPORT uint32_t RAS_CALL RasEnumConnectionsA(RASCONN* connections, uint32_t* size,
                                                   uint32_t* count) {
  return Enumerate("RASSTUB_CONNECTIONS", "enum-connections", sizeof(RASCONN), 8, connections, size,
                   count);
}

NELVO_EXPORT uint32_t RAS_CALL RasHangUpA(HRASCONN handle) {
  char line[64];
  (void)snprintf(line, sizeof(line), "hangup %lu", (unsigned long)handle);
  Record(line);
  return KnownHandle(handle) ? 0 : RAS_ERROR_INVALID_HANDLE;
}

#ifndef RASSTUB_WITHOUT_STATUS
NELVO_EXPORT uint32_t RAS_CALL RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUS* status) {
  char line[64], polls[32];
  (void)snprintf(line, sizeof(line), "status %lu", (unsigned long)handle);
  Record(line);
  if (!KnownHandle(handle)) return RAS_ERROR_INVALID_HANDLE;
  const char* live = Setting("RASSTUB_LIVE_POLLS", polls, sizeof(polls));
  if (live == NULL) return RAS_ERROR_INVALID_HANDLE;
  if (strcmp(live, "forever") != 0 && CountRecorded("status ") > strtoul(live, NULL, 10)) {
    return RAS_ERROR_INVALID_HANDLE;
  }
  status->rasconnstate = RASCS_Connected;
  return 0;
}
#endif

/* The handle RASSTUB_DIAL_HANDLE gives a dial; 0 when dials fail. */
static HRASCONN DialHandle(void) {
  char text[32];
  const char* value = Setting("RASSTUB_DIAL_HANDLE", text, sizeof(text));
  return value == NULL ? 0 : (HRASCONN)strtoul(value, NULL, 10);
}

NELVO_EXPORT uint32_t RAS_CALL RasGetEntryDialParamsA(const char* phoneBook, RASDIALPARAMS* params,
                                                      int32_t* passwordStored) {
  Record("dial-params");
  return DialHandle() != 0 ? 0 : RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

NELVO_EXPORT uint32_t RAS_CALL RasDialA(RASDIALEXTENSIONS* extensions, const char* phoneBook,
                                        RASDIALPARAMS* params, uint32_t notifierType,
                                        void* notifier, HRASCONN* handle) {
  Record(notifier != NULL ? "dial notifying" : "dial");
  if (DialHandle() == 0) return RAS_ERROR_LINE_BUSY;
  *handle = DialHandle();
  return 0;
}

#ifdef _WIN32
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) Record("load");
  if (reason == DLL_PROCESS_DETACH && reserved == NULL) Record("free");
  return TRUE;
}
#else
__attribute__((constructor)) static void Loaded(void) {
  Record("load");
}
__attribute__((destructor)) static void Freed(void) {
  Record("free");
}
#endif
