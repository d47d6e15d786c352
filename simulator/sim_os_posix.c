/* POSIX implementation of the simulator's operating-system services. */
#define _GNU_SOURCE
#include "simulator/sim_os.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

/* Wall-clock milliseconds (CLOCK_REALTIME, shared by all processes). */
int64_t SimNowMs(void) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

/* getpid. */
uint32_t SimProcessId(void) {
  return (uint32_t)getpid();
}

/* A process we may not signal still exists; only ESRCH means gone. */
int SimProcessAlive(uint32_t pid) {
  if (pid == 0) return 0;
  return kill((pid_t)pid, 0) == 0 || errno == EPERM;
}

/* getenv reads the live environment, so a change made by setenv is seen. */
int SimGetEnv(const char* name, char* out, size_t size) {
  const char* value = getenv(name);
  if (value == NULL || value[0] == '\0' || strlen(value) >= size) return 0;
  strcpy(out, value);
  return 1;
}

/* $HOME. */
int SimHomeDir(char* out, size_t size) {
  return SimGetEnv("HOME", out, size);
}

/* mkdir, accepting a folder that is already there. */
int SimMakeDir(const char* path) {
  struct stat info;
  if (mkdir(path, 0777) == 0) return 1;
  return errno == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

/* flock on a fresh descriptor: each call has its own open file description,
 * so threads of one process exclude each other as processes do. */
intptr_t SimLockAcquire(const char* path) {
  int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd);
      return -1;
    }
  }
  return fd;
}

/* Closing the descriptor drops the lock. */
void SimLockRelease(intptr_t token) {
  if (token >= 0) close((int)token);
}

/* rename is atomic within a file system. */
int SimReplaceFile(const char* from, const char* to) {
  return rename(from, to) == 0;
}

typedef struct SimThreadStart {
  void (*fn)(void*);
  void* arg;
} SimThreadStart;

static void* SimThreadMain(void* raw) {
  SimThreadStart start = *(SimThreadStart*)raw;
  free(raw);
  start.fn(start.arg);
  return NULL;
}

/* The host library is linked -z nodelete, so its code outlives dlclose and
 * the thread needs no reference of its own. */
int SimStartThread(void (*fn)(void*), void* arg) {
  pthread_t thread;
  pthread_attr_t attr;
  SimThreadStart* start = (SimThreadStart*)malloc(sizeof *start);
  int ok;
  if (start == NULL) return 0;
  start->fn = fn;
  start->arg = arg;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  ok = pthread_create(&thread, &attr, SimThreadMain, start) == 0;
  pthread_attr_destroy(&attr);
  if (!ok) free(start);
  return ok;
}

/* dlopen of a file in the running program's folder. */
void* SimLoadBeside(const char* file) {
  char path[SIM_PATH_MAX];
  size_t folder = SystemProgramFolder(path, sizeof path);
  if (folder == 0 || folder + strlen(file) + 1 > sizeof path) return NULL;
  strcpy(path + folder, file);
  return dlopen(path, RTLD_NOW);
}

/* dlsym. */
void* SimResolve(void* library, const char* name) {
  return dlsym(library, name);
}
