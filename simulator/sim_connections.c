/* Active connections: connections.txt read, pruned and written back. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "simulator/sim_state.h"
#include "simulator/sim_text.h"

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
