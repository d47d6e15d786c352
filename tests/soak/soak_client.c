/* Load held through the DLL on Windows: another program dials and hangs up
 * the simulated service's entry again and again through nelvoras.dll,
 * with the real one-second waits (no notifier, so each dial is synchronous
 * and waits at least 2 s). What the process's heaps hold (live blocks and
 * their bytes, in the default heap and the C run-time heap) and its threads
 * after the last cycle must be what they were after the tenth. Heaps, not
 * pages: under Wine a page more or less comes and goes by chance.
 *   soak_client <cycles> held|not_held <state folder> [leak]
 * "leak" loses one small allocation a cycle, to show that the soak fails. */
#include <windows.h>

#include <malloc.h>
#include <oleauto.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tlhelp32.h>

#include "remote_access/nelvoras.h"

typedef uintptr_t(NELVO_API* InitFunction)(void);
typedef void(NELVO_API* UnloadFunction)(void);
typedef int32_t(NELVO_API* DialFunction)(int32_t, NELVO_BSTR, NELVO_BSTR, NELVO_BSTR);
typedef int32_t(NELVO_API* CountFunction)(void);
typedef int32_t(NELVO_API* NumberFunction)(int32_t);

typedef struct HeapUse {
  unsigned long blocks;
  unsigned long long bytes;
} HeapUse;

typedef struct Usage {
  HeapUse process_heap;
  HeapUse c_heap;
  unsigned long threads;
} Usage;

static unsigned long OwnThreads(void) {
  THREADENTRY32 entry;
  unsigned long count = 0;
  DWORD self = GetCurrentProcessId();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  entry.dwSize = sizeof entry;
  if (Thread32First(snapshot, &entry)) {
    do {
      if (entry.th32OwnerProcessID == self) ++count;
    } while (Thread32Next(snapshot, &entry));
  }
  CloseHandle(snapshot);
  return count;
}

/* The busy blocks of the process's default heap, walked under its lock. */
static HeapUse ProcessHeapUse(void) {
  HeapUse use = {0, 0};
  HANDLE heap = GetProcessHeap();
  PROCESS_HEAP_ENTRY entry;
  memset(&entry, 0, sizeof entry);
  HeapLock(heap);
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
      ++use.blocks;
      use.bytes += entry.cbData;
    }
  }
  HeapUnlock(heap);
  return use;
}

/* The blocks in use in the C run-time's heap, which malloc and the DLL's
 * operator new draw from. */
static HeapUse CHeapUse(void) {
  HeapUse use = {0, 0};
  _HEAPINFO entry;
  int status;
  memset(&entry, 0, sizeof entry);
  while ((status = _heapwalk(&entry)) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) {
      ++use.blocks;
      use.bytes += entry._size;
    }
  }
  if (status != _HEAPEND) printf("_heapwalk stopped with %d\n", status);
  return use;
}

static Usage Measure(void) {
  Usage usage;
  usage.process_heap = ProcessHeapUse();
  usage.c_heap = CHeapUse();
  usage.threads = OwnThreads();
  return usage;
}

static int SameHeapUse(HeapUse a, HeapUse b) {
  return a.blocks == b.blocks && a.bytes == b.bytes;
}

static void Report(const char* when, Usage usage) {
  printf("%-16s default heap %lu blocks %llu bytes, C heap %lu blocks %llu bytes, %lu threads\n",
         when, usage.process_heap.blocks, usage.process_heap.bytes, usage.c_heap.blocks,
         usage.c_heap.bytes, usage.threads);
}

static BSTR Text(const char* text) {
  return SysAllocStringByteLen(text, (UINT)strlen(text));
}

/* A fresh state: a run stopped part-way leaves its connection behind. */
static void PrepareState(const char* folder) {
  static const char* const kLeftOver[] = {"connections.txt", "dials.txt"};
  char path[MAX_PATH];
  FILE* book;
  size_t i;
  CreateDirectoryA(folder, NULL);
  SetEnvironmentVariableA("RASSIM_DIR", folder);
  for (i = 0; i < sizeof kLeftOver / sizeof kLeftOver[0]; ++i) {
    snprintf(path, sizeof path, "%s\\%s", folder, kLeftOver[i]);
    DeleteFileA(path);
  }
  snprintf(path, sizeof path, "%s\\phonebook.ini", folder);
  book = fopen(path, "wb");
  if (book == NULL) return;
  fputs("[Office]\nPhoneNumber=555-0100\nUserName=stored\nPassword=secret\nStepMs=1\n", book);
  fclose(book);
}

int main(int argc, char** argv) {
  HMODULE library;
  InitFunction init;
  UnloadFunction unload;
  DialFunction dial;
  CountFunction active;
  NumberFunction handle_at, hang_up;
  Usage settled, last;
  int cycles, held, leak, cycle;
  DWORD start;
  if (argc != 4 && !(argc == 5 && strcmp(argv[4], "leak") == 0)) {
    printf("usage: soak_client <cycles> held|not_held <state folder> [leak]\n");
    return 2;
  }
  cycles = atoi(argv[1]);
  held = strcmp(argv[2], "held") == 0;
  leak = argc == 5;
  PrepareState(argv[3]);
  library = LoadLibraryA("nelvoras.dll");
  if (library == NULL) {
    printf("FAILED: nelvoras.dll cannot be loaded\n");
    return 1;
  }
  init = (InitFunction)(void*)GetProcAddress(library, "RasInitDLL");
  unload = (UnloadFunction)(void*)GetProcAddress(library, "RasUnloadDLL");
  dial = (DialFunction)(void*)GetProcAddress(library, "rsDialEntry");
  active = (CountFunction)(void*)GetProcAddress(library, "rsActiveConnections");
  handle_at = (NumberFunction)(void*)GetProcAddress(library, "rsGetConnectionHandle");
  hang_up = (NumberFunction)(void*)GetProcAddress(library, "rsHangUpConnection");
  if (held && init() == 0) {
    printf("FAILED: RasInitDLL\n");
    return 1;
  }
  printf("%d cycles through nelvoras.dll, %s%s\n", cycles, held ? "held" : "not held",
         leak ? ", leaking a block a cycle" : "");
  fflush(stdout);
  /* Measured once first, so that whatever the measuring itself sets up
   * exists before the counting. */
  settled = Measure();
  start = GetTickCount();
  for (cycle = 1; cycle <= cycles; ++cycle) {
    int32_t result = dial(1, Text("555-0199"), Text("soak"), Text("pw"));
    int32_t handle = handle_at(1);
    if (result != 0 || handle == 0 || hang_up(handle) != 0 || active() != 0) {
      printf("FAILED: cycle %d (dial %d, handle %d)\n", cycle, (int)result, (int)handle);
      return 1;
    }
    if (leak && malloc(24) == NULL) printf("cycle %d: no block to lose\n", cycle);
    if (cycle == 10) settled = Measure();
    if (cycle > 10) {
      /* The trend: each cycle whose heaps differ from the tenth's. */
      Usage now = Measure();
      if (!SameHeapUse(now.process_heap, settled.process_heap) ||
          !SameHeapUse(now.c_heap, settled.c_heap)) {
        Report("cycle", now);
      }
    }
  }
  last = Measure();
  printf("%s, %d cycles in %.1f s (%.2f s each)\n", held ? "held" : "not held", cycles,
         (GetTickCount() - start) / 1000.0, (GetTickCount() - start) / 1000.0 / cycles);
  Report("after cycle 10:", settled);
  Report("after the last:", last);
  if (held) unload();
  FreeLibrary(library);
  if (!SameHeapUse(last.process_heap, settled.process_heap) ||
      !SameHeapUse(last.c_heap, settled.c_heap) || last.threads != settled.threads) {
    printf("FAILED: heaps or threads changed after the tenth cycle\n");
    return 1;
  }
  return 0;
}
