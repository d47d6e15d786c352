/* rassim: sets up and inspects the simulated remote-access service.
 * It uses the state folder that the library uses (RASSIM_DIR, else .rassim
 * in the home folder). "rassim --help" lists the commands.
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

/* Every command with one example; printed by --help and when no command
 * is given. */
static const char kUsage[] =
    "usage: rassim COMMAND [ARGUMENTS]\n"
    "Sets up and inspects the simulated remote-access service in the state folder\n"
    "(RASSIM_DIR, else .rassim in the home folder).\n"
    "\n"
    "  dir                  prints the state folder\n"
    "      rassim dir\n"
    "  phonebook add NAME [--phone N] [--callback N] [--user U] [--password P]\n"
    "        [--domain D] [--states S,S,...] [--step-ms MS] [--fail-at STATE]\n"
    "        [--error CODE] [--never-finish] [--hangup-ms MS] [--notify-after-query STATE]\n"
    "                       appends an entry; the dial passes the states, MS apart;\n"
    "                       STATE's notification waits until a status query showed it\n"
    "      rassim phonebook add Office --phone 5551234 --states 0,1,2,8192 --step-ms 200\n"
    "  phonebook clear      empties the phone book\n"
    "      rassim phonebook clear\n"
    "  phonebook list       prints the entry names, one a line\n"
    "      rassim phonebook list\n"
    "  demo                 replaces the phone book by the demo one\n"
    "      rassim demo\n"
    "  connections          prints HANDLE STATE ERROR NAME of each active connection\n"
    "      rassim connections\n"
    "  drop HANDLE | --all  removes connections at once\n"
    "      rassim drop 3\n"
    "  dials                prints each dial made: HANDLE, entry, phone, user,\n"
    "                       password given yes/no, tab separated\n"
    "      rassim dials\n"
    "  dial NAME [--phone N] [--user U] [--password P] [--async]\n"
    "                       dials through the library beside this program and\n"
    "                       prints HANDLE RESULT; --async exits at once\n"
    "      rassim dial Office --user alice --password secret\n"
    "  fault enum-entries-error CODE\n"
    "      rassim fault enum-entries-error 5\n"
    "  fault enum-connections-error CODE\n"
    "      rassim fault enum-connections-error 5\n"
    "  fault add-entry-between-requests\n"
    "      rassim fault add-entry-between-requests\n"
    "  fault status-fails-after POLLS CODE\n"
    "      rassim fault status-fails-after 2 691\n"
    "  fault clear          clears every fault switch\n"
    "      rassim fault clear\n";

int NotUnderstood(const char* word) {
  if (word == NULL)
    fprintf(stderr, "rassim: the command line ends too early; see rassim --help\n");
  else
    fprintf(stderr, "rassim: did not understand \"%s\"; see rassim --help\n", word);
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

static int TakesNoArguments(const char* command) {
  return strcmp(command, "dir") == 0 || strcmp(command, "demo") == 0 ||
         strcmp(command, "connections") == 0 || strcmp(command, "dials") == 0;
}

int main(int argc, char** argv) {
  SimSession session;
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the same LF lines on every build
#endif
  if (argc < 2) {
    fputs(kUsage, stderr);
    return 2;
  }
  if (strcmp(argv[1], "--help") == 0 && argc == 2) {
    fputs(kUsage, stdout);
    return 0;
  }
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
  return NotUnderstood(argv[argc > 2 && TakesNoArguments(argv[1]) ? 2 : 1]);
}
