/* Another program dialling through the DLL: no console start-up has run,
 * so there is no notifier and RasDialA dials synchronously. Runs beside the
 * simulated service with RASSIM_DIR naming a folder it fills itself. Prints
 * what went wrong; exit code 0 when all is as expected. */
#include <stdint.h>
#include <stdlib.h>

#include "remote_access/nelvoras.h"
#include "tests/remote_access/dll_client.h"

#ifdef _WIN32
#define MAKE_FOLDER(name) CreateDirectoryA(name, NULL)
#define SEPARATOR "\\"
#else
#include <sys/stat.h>
#define MAKE_FOLDER(name) mkdir(name, 0700)
#define SEPARATOR "/"
#endif

typedef int32_t(NELVO_API* DialFunction)(int32_t, NELVO_BSTR, NELVO_BSTR, NELVO_BSTR);
typedef void(NELVO_API* NotifierFunction)(uint32_t, uint32_t, uint32_t);
typedef int32_t(NELVO_API* CountFunction)(void);
typedef int32_t(NELVO_API* NumberFunction)(int32_t);
typedef NELVO_BSTR(NELVO_API* AllocFunction)(const char*, unsigned int);

static char record_path[1024];

/* The simulator's record of what the latest dial was given. */
static int LastDialWas(const char* expected_tail) {
  char line[1024] = "";
  char last[1024] = "";
  FILE* record = fopen(record_path, "r");
  if (record == NULL) return 0;
  while (fgets(line, sizeof line, record) != NULL) strcpy(last, line);
  fclose(record);
  const char* tab = strchr(last, '\t');
  return tab != NULL && strcmp(tab + 1, expected_tail) == 0;
}

static void WritePhoneBook(const char* folder) {
  char path[1024];
  snprintf(path, sizeof path, "%s" SEPARATOR "phonebook.ini", folder);
  FILE* book = fopen(path, "w");
  if (book == NULL) return;
  fputs("[Office]\nPhoneNumber=555-0100\nUserName=stored\nPassword=secret\nStepMs=2\n", book);
  fputs("[Home]\nPhoneNumber=555-0200\nUserName=home\nStepMs=2\n", book);
  fclose(book);
}

int main(void) {
  const char* folder = getenv("RASSIM_DIR");
  if (folder == NULL) {
    printf("FAILED: RASSIM_DIR is not set\n");
    return 1;
  }
  MAKE_FOLDER(folder);
  WritePhoneBook(folder);
  snprintf(record_path, sizeof record_path, "%s" SEPARATOR "dials.txt", folder);
  (void)remove(record_path);

  void* library = OPEN_LIBRARY(LIBRARY_NAME);
  if (library == NULL) {
    printf("FAILED: cannot load " LIBRARY_NAME "\n");
    return 1;
  }
#ifdef _WIN32
  AllocFunction alloc = (AllocFunction)SysAllocStringByteLen;
#else
  AllocFunction alloc = (AllocFunction)FIND(library, "SysAllocStringByteLen");
#endif
  DialFunction dial = (DialFunction)FIND(library, "rsDialEntry");
  NotifierFunction notifier = (NotifierFunction)FIND(library, "RASDIALCALLBACK");
  CountFunction connections = (CountFunction)FIND(library, "rsActiveConnections");
  NumberFunction handle = (NumberFunction)FIND(library, "rsGetConnectionHandle");
  NumberFunction hang_up = (NumberFunction)FIND(library, "rsHangUpConnection");
  if (!alloc || !dial || !notifier || !connections || !handle || !hang_up) {
    printf("FAILED: an export is missing\n");
    return 1;
  }

  /* Empty strings keep the stored values; the dial owns what it is given. */
  Check(dial(1, NULL, NULL, NULL) == 0, "dial Office with stored values");
  Check(LastDialWas("Office\t555-0100\tstored\tyes\n"), "stored values dialled");
  Check(dial(2, alloc("555-0299", 8), alloc("me", 2), alloc("pw", 2)) == 0, "dial Home");
  Check(LastDialWas("Home\t555-0299\tme\tyes\n"), "caller's values dialled");
  Check(connections() == 2, "two links up");
  Check(dial(3, alloc("1", 1), NULL, NULL) == -623, "position out of range");

  /* With nothing open to report to, a notification writes nothing. */
  notifier(0, 2, 0);

  int32_t first = handle(1);
  int32_t second = handle(2);
  Check(hang_up(first) == 0 && hang_up(second) == 0, "both hung up");
  Check(connections() == 0, "no link left");

  if (failures == 0) printf("dialled through the DLL as expected\n");
  return failures == 0 ? 0 : 1;
}
