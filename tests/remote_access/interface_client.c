/* Another program's view of the exported interface: loads the DLL by name,
 * finds each function by its undecorated name, calls it and frees the
 * strings it gets. Runs beside the recording stub, which the test sets up
 * with the entries " Office |Home" and one connection "Office" (handle
 * 1001) that goes after two status queries. Prints what went wrong; exit
 * code 0 when all is as expected. */
#include <stdint.h>
#include <stdlib.h>

#include "remote_access/nelvoras.h"
#include "tests/remote_access/dll_client.h"

#ifdef _WIN32
typedef BSTR ByteString;
#define STRING_API WINAPI
#else
typedef wchar_t* ByteString;
#define STRING_API
#endif

typedef uintptr_t(NELVO_API* InitFunction)(void);
typedef void(NELVO_API* UnloadFunction)(void);
typedef int32_t(NELVO_API* CountFunction)(void);
typedef NELVO_BSTR(NELVO_API* NameFunction)(int32_t);
typedef int32_t(NELVO_API* NumberFunction)(int32_t);
typedef void(STRING_API* FreeFunction)(ByteString);
typedef unsigned int(STRING_API* LengthFunction)(ByteString);

static FreeFunction FreeString;
static LengthFunction StringLength;

/* Compares a returned string with the expected bytes (NULL for the null
 * handle) and frees it. */
static void CheckString(NELVO_BSTR text, const char* expected, const char* what) {
  if (expected == NULL) {
    Check(text == NULL, what);
  } else {
    Check(text != NULL && StringLength(text) == strlen(expected) &&
              memcmp(text, expected, strlen(expected)) == 0,
          what);
  }
  FreeString(text);
}

int main(void) {
  /* The stub counts status queries in its log: start from an empty one. */
  const char* log = getenv("RASSTUB_LOG");
  if (log != NULL) (void)remove(log);
  void* library = OPEN_LIBRARY(LIBRARY_NAME);
  if (library == NULL) {
    printf("FAILED: cannot load " LIBRARY_NAME "\n");
#ifndef _WIN32
    printf("%s\n", dlerror());
#endif
    return 1;
  }
#ifdef _WIN32
  FreeString = SysFreeString;
  StringLength = SysStringByteLen;
#else
  FreeString = (FreeFunction)FIND(library, "SysFreeString");
  StringLength = (LengthFunction)FIND(library, "SysStringByteLen");
  Check(FreeString != NULL && StringLength != NULL, "string functions exported");
  if (FreeString == NULL || StringLength == NULL) return 1;
#endif
  InitFunction init = (InitFunction)FIND(library, "RasInitDLL");
  UnloadFunction unload = (UnloadFunction)FIND(library, "RasUnloadDLL");
  CountFunction entries = (CountFunction)FIND(library, "rsAvailableEntries");
  NameFunction entryName = (NameFunction)FIND(library, "rsGetEntryName");
  CountFunction connections = (CountFunction)FIND(library, "rsActiveConnections");
  NameFunction connectionName = (NameFunction)FIND(library, "rsGetConnectionName");
  NumberFunction connectionHandle = (NumberFunction)FIND(library, "rsGetConnectionHandle");
  NumberFunction hangUp = (NumberFunction)FIND(library, "rsHangUpConnection");
  if (!init || !unload || !entries || !entryName || !connections || !connectionName ||
      !connectionHandle || !hangUp) {
    printf("FAILED: an export is missing\n");
    return 1;
  }

  /* Without RasInitDLL first: the library is loaded for each call. */
  Check(entries() == 2, "rsAvailableEntries");
  CheckString(entryName(1), "Office", "rsGetEntryName(1)");

  uintptr_t handle = init();
  Check(handle != 0 && init() == handle, "RasInitDLL");
  CheckString(entryName(2), "Home", "rsGetEntryName(2)");
  CheckString(entryName(3), NULL, "rsGetEntryName(3)");
  CheckString(entryName(0), NULL, "rsGetEntryName(0)");
  Check(connections() == 1, "rsActiveConnections");
  CheckString(connectionName(1), "Office", "rsGetConnectionName(1)");
  CheckString(connectionName(2), NULL, "rsGetConnectionName(2)");
  Check(connectionHandle(1) == 1001, "rsGetConnectionHandle(1)");
  Check(connectionHandle(2) == 0, "rsGetConnectionHandle(2)");
  Check(hangUp(1001) == 0, "rsHangUpConnection(1001)");
  Check(hangUp(5) == 6, "rsHangUpConnection(5)");
  unload();
  unload();
  Check(entries() == 2, "rsAvailableEntries after RasUnloadDLL");

  if (failures == 0) printf("all exports answered as expected\n");
  return failures == 0 ? 0 : 1;
}
