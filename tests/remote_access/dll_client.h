/* What the programs that use the DLL as another program would share:
 * loading it by name as Windows finds it, finding its exports, and
 * counting the checks that failed. */
#ifndef NELVO_TESTS_DLL_CLIENT_H
#define NELVO_TESTS_DLL_CLIENT_H

#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>

#include <oleauto.h>
#define LIBRARY_NAME "nelvoras.dll"
#define OPEN_LIBRARY(name) ((void*)LoadLibraryA(name))
#define FIND(library, name) ((void*)GetProcAddress((HMODULE)(library), name))
#else
#include <dlfcn.h>
#include <unistd.h>
#define LIBRARY_NAME "libnelvoras.so"
#define OPEN_LIBRARY(name) OpenBesideProgram(name)
#define FIND(library, name) dlsym(library, name)

/* dlopen with the program's own folder first, as Windows searches; a
 * run-path of the program would not do, since a sanitizer runtime that
 * wraps dlopen becomes the caller whose search path counts. */
static void* OpenBesideProgram(const char* name) {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length > 0) {
    path[length] = '\0';
    char* slash = strrchr(path, '/');
    if (slash != NULL && (size_t)(slash + 1 - path) + strlen(name) < sizeof(path)) {
      memcpy(slash + 1, name, strlen(name) + 1);
      void* library = dlopen(path, RTLD_NOW);
      if (library != NULL) return library;
    }
  }
  return dlopen(name, RTLD_NOW);
}
#endif

static int failures = 0;

static void Check(int good, const char* what) {
  if (!good) {
    printf("FAILED: %s\n", what);
    ++failures;
  }
}

#endif
