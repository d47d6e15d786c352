/* The state folder: locking it, and reading and writing whole files. */
#include "simulator/sim_state.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "simulator/sim_text.h"

void SimCopy(char* out, size_t size, const char* text) {
  size_t length = strlen(text);
  if (length >= size) length = size - 1;
  memcpy(out, text, length);
  out[length] = '\0';
}

/* ---- Folder and lock ---------------------------------------------------- */

static int SimDefaultDir(char* out, size_t size) {
  char home[SIM_PATH_MAX];
  if (!SimHomeDir(home, sizeof home)) return 0;
  return snprintf(out, size, "%s%c.rassim", home, SIM_PATH_SEP) < (int)size;
}

uint32_t SimOpen(SimSession* session) {
  char dir[SIM_PATH_MAX];
  if (!SimGetEnv("RASSIM_DIR", dir, sizeof dir) && !SimDefaultDir(dir, sizeof dir)) {
    session->lock = -1;
    return SIM_ERROR_CANNOT_OPEN_STATE;
  }
  return SimOpenDir(session, dir, 1);
}

uint32_t SimOpenDir(SimSession* session, const char* dir, int create) {
  char lock[SIM_PATH_MAX];
  session->lock = -1;
  if (strlen(dir) + 32 >= sizeof session->dir) return SIM_ERROR_CANNOT_OPEN_STATE;
  strcpy(session->dir, dir);
  if (create && !SimMakeDir(dir)) return SIM_ERROR_CANNOT_OPEN_STATE;
  SimPath(session, "lock", lock, sizeof lock);
  session->lock = SimLockAcquire(lock);
  return session->lock == -1 ? SIM_ERROR_CANNOT_OPEN_STATE : 0;
}

void SimClose(SimSession* session) {
  SimLockRelease(session->lock);
  session->lock = -1;
}

void SimPath(const SimSession* session, const char* file, char* out, size_t size) {
  int length = snprintf(out, size, "%s%c%s", session->dir, SIM_PATH_SEP, file);
  /* A path that does not fit names no file rather than a shorter one. */
  if (length < 0 || (size_t)length >= size) out[0] = '\0';
}

/* ---- Whole files -------------------------------------------------------- */

int SimReadWholeFile(const char* path, char** data, size_t* size) {
  FILE* file = fopen(path, "rb");
  SimText text = {0};
  char chunk[4096];
  size_t got;
  *data = NULL;
  *size = 0;
  if (file == NULL) return errno == ENOENT ? 0 : -1;
  SimTextAppend(&text, "", 0);
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) SimTextAppend(&text, chunk, got);
  if (ferror(file) || text.failed) {
    fclose(file);
    SimTextFree(&text);
    return -1;
  }
  fclose(file);
  *data = text.data;
  *size = text.length;
  return 1;
}

int SimWriteFileAtomic(const SimSession* session, const char* file, const char* data, size_t size) {
  char path[SIM_PATH_MAX], temp[SIM_PATH_MAX + 8];
  FILE* out;
  int ok;
  SimPath(session, file, path, sizeof path);
  snprintf(temp, sizeof temp, "%s.tmp", path);
  out = fopen(temp, "wb");
  if (out == NULL) return 0;
  ok = fwrite(data, 1, size, out) == size;
  ok = (fclose(out) == 0) && ok;
  if (ok) ok = SimReplaceFile(temp, path);
  if (!ok) remove(temp);
  return ok;
}

/* SimNextLine: in place, so the buffer must stay while its lines are used. */
char* SimNextLine(char** cursor) {
  char* line = *cursor;
  char* end;
  if (line == NULL || *line == '\0') return NULL;
  end = strchr(line, '\n');
  if (end != NULL) {
    *end = '\0';
    *cursor = end + 1;
  } else {
    *cursor = line + strlen(line);
  }
  end = line + strlen(line);
  if (end > line && end[-1] == '\r') end[-1] = '\0';
  return line;
}

/* SimIsSpace: blank or tab. */
int SimIsSpace(char c) {
  return c == ' ' || c == '\t';
}
