/* rassim: sets up and inspects the simulated remote-access service.
 * It uses the state folder that the library uses (RASSIM_DIR, else .rassim
 * in the home folder).
 *
 *   rassim dir                       prints the state folder
 *   rassim phonebook add NAME [--phone N] [--callback N] [--user U]
 *          [--password P] [--domain D] [--states 0,1,2,...] [--step-ms MS]
 *          [--fail-at STATE] [--error CODE] [--never-finish] [--hangup-ms MS]
 *          [--notify-after-query STATE]
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

#include "simulator/rassim.h"
#include "simulator/sim_text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int Fail(const char* what) {
  fprintf(stderr, "rassim: %s\n", what);
  return 1;
}

int Usage(void) {
  fprintf(stderr, "rassim: unknown command line; see the comment at the top of rassim.c\n");
  return 2;
}

/* A whole-string number within bounds. */
int ReadNumber(const char* text, int64_t low, int64_t high, int64_t* value) {
  return SimParseNumber(text, text + strlen(text), value) && *value >= low && *value <= high;
}

int SetText(char* field, size_t size, const char* value) {
  if (strlen(value) >= size || strchr(value, '\n') || strchr(value, '\r')) return 0;
  strcpy(field, value);
  return 1;
}

int ReadUint(const char* text, int64_t low, int64_t high, uint32_t* value) {
  int64_t number;
  if (!ReadNumber(text, low, high, &number)) return 0;
  *value = (uint32_t)number;
  return 1;
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
  if (strcmp(argv[1], "demo") == 0 && argc == 2) return DemoCommand();
  if (strcmp(argv[1], "connections") == 0 && argc == 2) return ConnectionsCommand();
  if (strcmp(argv[1], "drop") == 0) return DropCommand(argc - 2, argv + 2);
  if (strcmp(argv[1], "dials") == 0 && argc == 2) return DialsCommand();
  if (strcmp(argv[1], "dial") == 0) return DialCommand(argc - 2, argv + 2);
  if (strcmp(argv[1], "fault") == 0) return FaultCommand(argc - 2, argv + 2);
  return Usage();
}
