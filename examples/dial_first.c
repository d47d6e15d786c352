/* Lists the phone-book entries through nelvoras.dll and dials the first.
 * Built from this folder, it lands beside nelvoras.dll, where it runs:
 *   i686-w64-mingw32-gcc -I.. dial_first.c -o ../dial_first.exe -loleaut32 */
#include <windows.h>
#include <oleauto.h>
#include <stdio.h>
#include "nelvoras.h"

typedef int32_t(__stdcall* CountFn)(void);
typedef BSTR(__stdcall* NameFn)(int32_t);
typedef int32_t(__stdcall* DialFn)(int32_t, BSTR, BSTR, BSTR);

int main(void) {
  HMODULE dll = LoadLibraryA("nelvoras.dll");
  if (dll == NULL) {
    printf("nelvoras.dll not found\n");
    return 1;
  }
  CountFn count = (CountFn)GetProcAddress(dll, "rsAvailableEntries");
  NameFn name = (NameFn)GetProcAddress(dll, "rsGetEntryName");
  DialFn dial = (DialFn)GetProcAddress(dll, "rsDialEntry");
  for (int32_t i = 1; i <= count(); ++i) {
    BSTR entry = name(i);
    printf("%d: %.*s\n", i, (int)SysStringByteLen(entry), (const char*)entry);
    SysFreeString(entry);
  }
  int32_t result = dial(1, SysAllocStringByteLen("5550100", 7),
                        SysAllocStringByteLen("me", 2), SysAllocStringByteLen("secret", 6));
  printf(result == 0 ? "connected\n" : "failed: %d\n", -result);
  FreeLibrary(dll);
  return 0;
}
