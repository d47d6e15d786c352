/* rassim phonebook and rassim demo: editing the phone book. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "simulator/rassim.h"
#include "simulator/sim_text.h"

/* One option of "phonebook add" with its value: 1 read, 0 a value not
 * understood, -1 an unknown option. */
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
  if (strcmp(option, "--notify-after-query") == 0)
    return ReadNumber(value, 0, 0xFFFFFFFFLL, &entry->notify_after_query);
  return -1;
}

/* Reads the options of "phonebook add" into an entry; 0 with the word not
 * understood in *word (NULL: the line ends too early) when one fails. */
static int ReadEntryOptions(int argc, char** argv, SimEntry* entry, const char** word) {
  int i, read;
  for (i = 0; i < argc; i++) {
    if (strcmp(argv[i], "--never-finish") == 0) {
      entry->never_finish = 1;
      continue;
    }
    read = i + 1 < argc ? ReadEntryOption(argv[i], argv[i + 1], entry) : -1;
    if (read <= 0) {
      *word = read == 0 ? argv[i + 1] : argv[i];
      return 0;
    }
    i++;
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

int PhoneBookCommand(int argc, char** argv) {
  SimEntry entry;
  const char* word = NULL;
  if (argc >= 1 && strcmp(argv[0], "add") == 0) {
    if (argc < 2) return NotUnderstood(NULL);
    if (argv[1][0] == '\0' || strlen(argv[1]) > RAS_MAX_ENTRY_NAME ||
        strpbrk(argv[1], "\r\n") != NULL)
      return NotUnderstood(argv[1]);
    SimDefaultEntry(&entry, argv[1]);
    if (!ReadEntryOptions(argc - 2, argv + 2, &entry, &word)) return NotUnderstood(word);
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
  return NotUnderstood(argc == 0 ? NULL : argv[argc > 1 ? 1 : 0]);
}

/* DemoCommand: the demo's phone book in place of the one there. */
int DemoCommand(void) {
  return EditPhoneBook(DemoEntries, NULL);
}
