/* The simulated service's state folder and the files in it.
 *
 * The folder is named by the environment variable RASSIM_DIR, read at every
 * call; when it is unset, ".rassim" in the user's home. It is created when
 * missing (its parent must exist). It holds:
 *
 *   phonebook.ini    the phone book, INI shaped:
 *                      [Entry Name]        one section per entry, in order;
 *                                          the name is every byte between the
 *                                          first '[' and the last ']'
 *                      PhoneNumber=...     stored dial values, taken byte for
 *                      CallbackNumber=...  byte after '=' (blanks kept)
 *                      UserName=...
 *                      Password=...
 *                      Domain=...
 *                      States=0,1,2,...    states the dial passes (default
 *                                          0,1,2,3,4,5,6,10,14,18,8192)
 *                      StepMs=100          time each state takes
 *                      FailAt=STATE        the dial stops at this state ...
 *                      Error=CODE          ... with this error (default 678)
 *                      NeverFinish=1       the dial stops short of 8192
 *                      HangUpMs=0          time a hang-up takes
 *                      NotifyAfterQuery=STATE  the notifier hears of this
 *                                          state only once a status query
 *                                          has reported it (test seam: a
 *                                          real service may be that late)
 *                    Key names ignore case; other keys are ignored; lines
 *                    starting with ';' or '#' and blank lines are skipped.
 *                    Anything else makes the phone book corrupt (625).
 *   connections.txt  the active connections: "next N" (the next handle),
 *                    then "HANDLE PID STATE ERROR HANGUPMS HANGUPAT NAME"
 *                    lines in the order the connections were made.
 *   faults.ini       fault switches (see SimFaults).
 *   dials.txt        one line per dial that made a connection: HANDLE, and
 *                    the entry name, phone number and user name as RasDialA
 *                    was given them, and "yes"/"no" for a password (never the
 *                    password itself), tab separated.
 *   lock             the lock file every reader and writer takes.
 *
 * Files are rewritten whole into a temporary file and moved into place, so
 * a process killed halfway leaves the old contents. */
#ifndef RASSIM_SIM_STATE_H
#define RASSIM_SIM_STATE_H

#include <stddef.h>
#include <stdint.h>

#include "remote_access/ras_records.h"
#include "simulator/sim_os.h"

#define SIM_MAX_STATES 64
#define SIM_MESSAGE 0xCCCDu /* the window message number the real service uses */

/* Error codes beyond those the dialer names. */
enum {
  SIM_ERROR_CANNOT_OPEN_STATE = 621,  /* the state folder cannot be used */
  SIM_ERROR_CANNOT_WRITE_STATE = 624, /* a state file cannot be rewritten */
  SIM_ERROR_CORRUPT_PHONEBOOK = 625,
  SIM_ERROR_USER_DISCONNECTION = 631
};

typedef struct SimEntry {
  char name[RAS_MAX_ENTRY_NAME + 1];
  char phone[RAS_MAX_PHONE_NUMBER + 1];
  char callback[RAS_MAX_CALLBACK_NUMBER + 1];
  char user[RAS_MAX_USER_NAME + 1];
  char password[RAS_MAX_PASSWORD + 1];
  char domain[RAS_MAX_DOMAIN + 1];
  uint32_t states[SIM_MAX_STATES];
  int state_count;
  uint32_t step_ms;
  int64_t fail_at; /* -1: the dial does not fail */
  uint32_t error;
  int never_finish;
  uint32_t hangup_ms;
  int64_t notify_after_query; /* -1: every state is notified at once */
} SimEntry;

typedef struct SimPhoneBook {
  SimEntry* entries;
  int count;
} SimPhoneBook;

typedef struct SimConn {
  uint32_t handle;
  uint32_t pid; /* the dialling process */
  uint32_t state;
  uint32_t error;
  uint32_t hangup_ms;
  int64_t hangup_at; /* 0: not hanging up; else when the handle goes */
  char name[RAS_MAX_ENTRY_NAME + 1];
} SimConn;

typedef struct SimConns {
  uint32_t next_handle;
  SimConn* items;
  int count;
} SimConns;

/* Fault switches, kept in faults.ini as key=value lines. */
typedef struct SimFaults {
  uint32_t enum_entries_error;     /* enum-entries-error: RasEnumEntriesA fails */
  uint32_t enum_connections_error; /* enum-connections-error */
  int add_entry_between_requests;  /* add-entry-between-requests: once, after a 603 */
  int64_t status_fails_after;      /* status-fails-after: -1 off, else polls that succeed */
  uint32_t status_fails_code;      /* status-fails-code */
  int64_t status_polls;            /* status-polls: polls counted so far */
} SimFaults;

/* An open state folder: its path and the lock held on it. */
typedef struct SimSession {
  char dir[SIM_PATH_MAX];
  intptr_t lock;
} SimSession;

/* Finds, creates and locks the state folder. Returns 0 or 621. */
uint32_t SimOpen(SimSession* session);
/* Opens a given folder, creating it when create is set (a dial thread keeps
 * the folder it was started in, and never brings back one removed since). */
uint32_t SimOpenDir(SimSession* session, const char* dir, int create);
void SimClose(SimSession* session);

/* The full name of a file in the state folder. */
void SimPath(const SimSession* session, const char* file, char* out, size_t size);

/* Phone book. Loading returns 0, 621 (unreadable) or 625 (corrupt); a
 * missing file is an empty phone book. */
void SimDefaultEntry(SimEntry* entry, const char* name);
uint32_t SimLoadPhoneBook(const SimSession* session, SimPhoneBook* book);
uint32_t SimSavePhoneBook(const SimSession* session, const SimPhoneBook* book);
int SimAddEntry(SimPhoneBook* book, const SimEntry* entry);
/* Reads a comma-separated list of states into the entry; 0 when malformed. */
int SimParseStates(SimEntry* entry, const char* value);
void SimFreePhoneBook(SimPhoneBook* book);
/* The first entry whose name equals name, ignoring ASCII case and leading
 * and trailing blanks on both sides; -1 when there is none. */
int SimFindEntry(const SimPhoneBook* book, const char* name);

/* Connections. Loading drops connections whose hang-up time has passed and
 * those whose dialling process died before they connected, saving the
 * result when anything was dropped. Returns 0, 621 or 624. */
uint32_t SimLoadConnections(const SimSession* session, SimConns* conns);
uint32_t SimSaveConnections(const SimSession* session, const SimConns* conns);
SimConn* SimAddConnection(SimConns* conns);
SimConn* SimFindConnection(SimConns* conns, uint32_t handle);
void SimRemoveConnection(SimConns* conns, uint32_t handle);
void SimFreeConnections(SimConns* conns);
/* The state the service reports: 8193 while a hang-up is under way. */
uint32_t SimReportedState(const SimConn* conn);

/* Fault switches; a missing file means none. */
void SimLoadFaults(const SimSession* session, SimFaults* faults);
uint32_t SimSaveFaults(const SimSession* session, const SimFaults* faults);

/* Appends one line to the record of dials. */
void SimRecordDial(const SimSession* session, uint32_t handle, const RASDIALPARAMS* params);

/* Writes a whole file through a temporary file. Returns 1 on success. */
int SimWriteFileAtomic(const SimSession* session, const char* file, const char* data, size_t size);
/* Reads a whole file into a NUL-terminated buffer the caller frees.
 * Returns 1 when read, 0 when missing, -1 when unreadable. */
int SimReadWholeFile(const char* path, char** data, size_t* size);

/* Splits data into lines in place, without their CR LF or LF. Returns the
 * next line or NULL at the end. */
char* SimNextLine(char** cursor);
/* A blank or a tab. */
int SimIsSpace(char c);

/* Bounded copy that always terminates; strings longer than size-1 are cut. */
void SimCopy(char* out, size_t size, const char* text);

#endif
