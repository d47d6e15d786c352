/* The fault switches (faults.ini) and the record of dials (dials.txt). */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "simulator/sim_state.h"
#include "simulator/sim_text.h"

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
