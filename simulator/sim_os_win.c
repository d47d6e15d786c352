/* Windows implementation of the simulator's operating-system services. */
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "simulator/sim_os.h"

/* System time as milliseconds since 1601, the same in every process. */
int64_t SimNowMs(void) {
  FILETIME now;
  ULARGE_INTEGER value;
  GetSystemTimeAsFileTime(&now);
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  return (int64_t)(value.QuadPart / 10000);
}

/* GetCurrentProcessId. */
uint32_t SimProcessId(void) {
  return GetCurrentProcessId();
}

/* A process that cannot be opened for another reason than a bad id is taken
 * as running; an opened one is running until it has an exit code. */
int SimProcessAlive(uint32_t pid) {
  HANDLE process;
  DWORD code = 0;
  int alive;
  if (pid == 0) return 0;
  process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (process == NULL) return GetLastError() != ERROR_INVALID_PARAMETER;
  alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return alive;
}

/* GetEnvironmentVariableA reads the live environment block. */
int SimGetEnv(const char* name, char* out, size_t size) {
  DWORD length = GetEnvironmentVariableA(name, out, (DWORD)size);
  return length > 0 && length < size;
}

/* %USERPROFILE%. */
int SimHomeDir(char* out, size_t size) {
  return SimGetEnv("USERPROFILE", out, size);
}

/* CreateDirectoryA, accepting a folder that is already there. */
int SimMakeDir(const char* path) {
  DWORD attributes;
  if (CreateDirectoryA(path, NULL)) return 1;
  attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/* LockFileEx on a fresh handle: handles of one process exclude each other
 * as processes do. */
intptr_t SimLockAcquire(const char* path) {
  OVERLAPPED at;
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return -1;
  memset(&at, 0, sizeof at);
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    CloseHandle(file);
    return -1;
  }
  return (intptr_t)file;
}

/* Unlocks, then closes. */
void SimLockRelease(intptr_t token) {
  OVERLAPPED at;
  if (token == -1) return;
  memset(&at, 0, sizeof at);
  UnlockFileEx((HANDLE)token, 0, 1, 0, &at);
  CloseHandle((HANDLE)token);
}

/* MoveFileExA replaces the target in one step. */
int SimReplaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

typedef struct SimThreadStart {
  void (*fn)(void*);
  void* arg;
  HMODULE module;
} SimThreadStart;

/* Runs the work, then drops the thread's reference to this module and ends
 * without returning into code that may just have been unmapped. */
static DWORD WINAPI SimThreadMain(LPVOID raw) {
  SimThreadStart start = *(SimThreadStart*)raw;
  free(raw);
  start.fn(start.arg);
  FreeLibraryAndExitThread(start.module, 0);
  return 0;
}

/* The reference is taken before the thread starts, so the caller may free
 * the library as soon as this returns. */
int SimStartThread(void (*fn)(void*), void* arg) {
  HANDLE thread;
  SimThreadStart* start = (SimThreadStart*)malloc(sizeof *start);
  if (start == NULL) return 0;
  start->fn = fn;
  start->arg = arg;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCSTR)(void*)&SimThreadMain,
                          &start->module)) {
    free(start);
    return 0;
  }
  thread = CreateThread(NULL, 0, SimThreadMain, start, 0, NULL);
  if (thread == NULL) {
    FreeLibrary(start->module);
    free(start);
    return 0;
  }
  CloseHandle(thread);
  return 1;
}

/* LoadLibraryA of a file in the running program's folder. */
void* SimLoadBeside(const char* file) {
  char path[SIM_PATH_MAX];
  size_t folder = SystemProgramFolder(path, sizeof path);
  if (folder == 0 || folder + strlen(file) + 1 > sizeof path) return NULL;
  strcpy(path + folder, file);
  return (void*)LoadLibraryA(path);
}

/* GetProcAddress. */
void* SimResolve(void* library, const char* name) {
  return (void*)GetProcAddress((HMODULE)library, name);
}
