/* RasDialA of the simulated service: creates the connection, then walks the
 * entry's scripted states, on a thread of its own when there is a notifier,
 * on the caller's thread when there is none. */
#include <stdlib.h>
#include <string.h>

#include "simulator/sim_service.h"
#include "simulator/sim_state.h"

#define SIM_WALK_PENDING 0xFFFFFFFFu /* the script ended short of connected */
#define SIM_WALK_STOPPED 0xFFFFFFFEu /* the connection was hung up meanwhile */

/* Everything a walk needs, copied so that it depends on nothing of the
 * caller's once RasDialA has returned. */
typedef struct SimWalk {
  char dir[SIM_PATH_MAX];
  HRASCONN handle;
  RasDialFunc notifier;
  SimEntry script;
} SimWalk;

/* The connection and state the latest status query of this process
 * reported. Only the dialling process's own walks read it, and a query
 * for another connection in between only makes a held walk wait longer. */
static volatile uint32_t reported_handle = 0;
static volatile uint32_t reported_state = 0;

void SimNoteReportedState(HRASCONN handle, uint32_t state) {
  __atomic_store_n(&reported_state, state, __ATOMIC_SEQ_CST);
  __atomic_store_n(&reported_handle, handle, __ATOMIC_SEQ_CST);
}

static int SimStillDialling(const SimWalk* walk);

/* Holds the notification of the scripted state until a status query has
 * reported it, so the caller's poll sees the state before its notifier
 * does: the order a real service may give, made certain for tests.
 * Returns 0 when the connection went meanwhile. */
static int SimAwaitReport(const SimWalk* walk, uint32_t state) {
  unsigned waited = 0;
  if (walk->script.notify_after_query != (int64_t)state) return 1;
  for (;;) {
    if (__atomic_load_n(&reported_handle, __ATOMIC_SEQ_CST) == walk->handle &&
        __atomic_load_n(&reported_state, __ATOMIC_SEQ_CST) == state)
      return 1;
    /* Now and then make sure there is still someone to report it to. */
    if (++waited % 50 == 0 && !SimStillDialling(walk)) return 0;
    SystemSleep(2);
  }
}

static int SimTerminated(const char* field, size_t size) {
  return memchr(field, 0, size) != NULL;
}

/* Records the state the connection has reached; 0 when the connection has
 * gone or is being hung up, so the walk must stop. */
static int SimSetState(const SimWalk* walk, uint32_t state, uint32_t error) {
  SimSession session;
  SimConns conns;
  SimConn* conn;
  int ok = 0;
  if (SimOpenDir(&session, walk->dir, 0) == 0 && SimLoadConnections(&session, &conns) == 0) {
    conn = SimFindConnection(&conns, walk->handle);
    if (conn != NULL && conn->hangup_at == 0) {
      conn->state = state;
      conn->error = error;
      ok = SimSaveConnections(&session, &conns) == 0;
    }
    SimFreeConnections(&conns);
  }
  SimClose(&session);
  return ok;
}

/* Passes the scripted states, each taking the entry's step time. Returns 0
 * when connected, the scripted error, or one of the SIM_WALK values. */
static uint32_t SimWalkStates(const SimWalk* walk) {
  const SimEntry* script = &walk->script;
  int i;
  for (i = 0; i < script->state_count; i++) {
    uint32_t state = script->states[i];
    uint32_t error =
        (script->fail_at >= 0 && state == (uint32_t)script->fail_at) ? script->error : 0;
    if (script->never_finish && state == RASCS_Connected) break;
    if (i > 0) SystemSleep(script->step_ms);
    if (!SimSetState(walk, state, error)) return SIM_WALK_STOPPED;
    if (walk->notifier != NULL) {
      if (!SimAwaitReport(walk, state)) return SIM_WALK_STOPPED;
      walk->notifier(SIM_MESSAGE, state, error);
    }
    if (error) return error;
    if (state == RASCS_Connected) return 0;
  }
  return SIM_WALK_PENDING;
}

static void SimWalkThread(void* raw) {
  SimWalk* walk = (SimWalk*)raw;
  SimWalkStates(walk);
  free(walk);
}

/* Whether the connection is still up and not being hung up. */
static int SimStillDialling(const SimWalk* walk) {
  SimSession session;
  SimConns conns;
  SimConn* conn;
  int up = 0;
  if (SimOpenDir(&session, walk->dir, 0) == 0 && SimLoadConnections(&session, &conns) == 0) {
    conn = SimFindConnection(&conns, walk->handle);
    up = conn != NULL && conn->hangup_at == 0;
    SimFreeConnections(&conns);
  }
  SimClose(&session);
  return up;
}

/* A synchronous dial returns only when the dial has ended; one that never
 * finishes ends when another thread or process hangs it up. */
static uint32_t SimDialSynchronously(const SimWalk* walk) {
  uint32_t result = SimWalkStates(walk);
  if (result == SIM_WALK_PENDING) {
    while (SimStillDialling(walk)) SystemSleep(20);
    result = SIM_WALK_STOPPED;
  }
  return result == SIM_WALK_STOPPED ? (uint32_t)SIM_ERROR_USER_DISCONNECTION : result;
}

static uint32_t SimCheckDialArguments(const RASDIALEXTENSIONS* extensions,
                                      const RASDIALPARAMS* params, uint32_t notifier_type,
                                      const void* notifier, const HRASCONN* handle) {
  if (params == NULL || handle == NULL) return RAS_ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMS)) return RAS_ERROR_INVALID_SIZE;
  if (extensions != NULL && extensions->dwSize != sizeof(RASDIALEXTENSIONS))
    return RAS_ERROR_INVALID_SIZE;
  // Only the message/state/error notifier is simulated.
  if (notifier != NULL && notifier_type != 0) return RAS_ERROR_INVALID_PARAMETER;
  // A new dial starts from a cleared handle; a set one would name a
  // connection to resume.
  if (*handle != 0) return RAS_ERROR_INVALID_PARAMETER;
  if (!SimTerminated(params->szEntryName, sizeof params->szEntryName) ||
      !SimTerminated(params->szPhoneNumber, sizeof params->szPhoneNumber) ||
      !SimTerminated(params->szCallbackNumber, sizeof params->szCallbackNumber) ||
      !SimTerminated(params->szUserName, sizeof params->szUserName) ||
      !SimTerminated(params->szPassword, sizeof params->szPassword) ||
      !SimTerminated(params->szDomain, sizeof params->szDomain))
    return RAS_ERROR_INVALID_PARAMETER;
  return 0;
}

/* Creates the connection in its first state and records the dial. */
static uint32_t SimCreateConnection(const SimSession* session, const RASDIALPARAMS* params,
                                    SimWalk* walk) {
  SimPhoneBook book;
  SimConns conns;
  SimConn* conn;
  int index;
  uint32_t result = SimLoadPhoneBook(session, &book);
  if (result) return result;
  index = SimFindEntry(&book, params->szEntryName);
  if (index >= 0) walk->script = book.entries[index];
  SimFreePhoneBook(&book);
  if (index < 0) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  result = SimLoadConnections(session, &conns);
  if (result) return result;
  conn = SimAddConnection(&conns);
  if (conn == NULL) {
    SimFreeConnections(&conns);
    return SIM_ERROR_CANNOT_WRITE_STATE;
  }
  conn->handle = conns.next_handle++;
  conn->pid = SimProcessId();
  conn->state = walk->script.states[0];
  conn->hangup_ms = walk->script.hangup_ms;
  strcpy(conn->name, walk->script.name);
  walk->handle = conn->handle;
  result = SimSaveConnections(session, &conns);
  SimFreeConnections(&conns);
  if (result == 0) SimRecordDial(session, walk->handle, params);
  return result;
}

uint32_t SimDial(const RASDIALEXTENSIONS* extensions, RASDIALPARAMS* params, uint32_t notifier_type,
                 void* notifier, HRASCONN* handle) {
  SimSession session;
  SimWalk* walk;
  uint32_t result = SimCheckDialArguments(extensions, params, notifier_type, notifier, handle);
  if (result) return result;
  walk = (SimWalk*)calloc(1, sizeof *walk);
  if (walk == NULL) return SIM_ERROR_CANNOT_WRITE_STATE;
  result = SimOpen(&session);
  if (result == 0) {
    result = SimCreateConnection(&session, params, walk);
    strcpy(walk->dir, session.dir);
  }
  SimClose(&session);
  if (result) {
    free(walk);
    return result;
  }
  *handle = walk->handle;
  walk->notifier = (RasDialFunc)notifier;
  if (notifier == NULL) {
    result = SimDialSynchronously(walk);
    free(walk);
    return result;
  }
  if (SimStartThread(SimWalkThread, walk)) return 0;
  free(walk);
  return SIM_ERROR_CANNOT_WRITE_STATE;
}
