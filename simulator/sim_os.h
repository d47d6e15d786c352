/* The few operating-system services the simulated remote-access service
 * needs, implemented once for Windows (sim_os_win.c) and once for POSIX
 * (sim_os_posix.c). Plain C with no static constructors, so the library
 * stays cheap to load and safe to free around every call. */
#ifndef RASSIM_SIM_OS_H
#define RASSIM_SIM_OS_H

#include <stddef.h>
#include <stdint.h>

/* The wait and the program's folder are the platform layer's own code. */
#include "platform/system_services.h"

#ifdef _WIN32
#define SIM_PATH_SEP '\\'
#else
#define SIM_PATH_SEP '/'
#endif

#define SIM_PATH_MAX 1024

/* Milliseconds of wall-clock time; comparable between processes. */
int64_t SimNowMs(void);

/* The calling process's id. */
uint32_t SimProcessId(void);

/* Whether a process with this id is still running. */
int SimProcessAlive(uint32_t pid);

/* The value of an environment variable, read afresh on every call; 0 when
 * it is unset or does not fit. */
int SimGetEnv(const char* name, char* out, size_t size);

/* The user's home folder; 0 when unknown. */
int SimHomeDir(char* out, size_t size);

/* Creates a folder; succeeds when it exists already. Returns 1 on success. */
int SimMakeDir(const char* path);

/* Takes an exclusive lock on a lock file, waiting for other holders (other
 * threads included). Returns a token, or -1 when the file cannot be opened
 * or locked. The lock goes when the token is released or the process dies. */
intptr_t SimLockAcquire(const char* path);
void SimLockRelease(intptr_t token);

/* Replaces a file by another in one step: after a crash the target holds
 * either its old or its new contents, never a mixture. Returns 1 on success. */
int SimReplaceFile(const char* from, const char* to);

/* Runs fn(arg) on a new detached thread that holds its own reference to the
 * code it runs, so the library may be freed by its loader meanwhile.
 * Returns 1 when the thread started. */
int SimStartThread(void (*fn)(void*), void* arg);

/* Loads a library from the folder of the running program; NULL on failure. */
void* SimLoadBeside(const char* file);
/* The address of an exported symbol; NULL when there is none. */
void* SimResolve(void* library, const char* name);

#endif
