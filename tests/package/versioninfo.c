/* Prints the version resource of a file as Windows reads it for the file's
 * properties: the fixed file and product versions, then the version
 * strings of the US English, Windows Latin 1 block.
 *   versioninfo FILE */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static const char* const kNames[] = {"FileDescription", "FileVersion", "OriginalFilename",
                                     "ProductName", "ProductVersion"};

static void PrintFixed(const char* label, DWORD high, DWORD low) {
  printf("%s %lu.%lu.%lu.%lu\n", label, (unsigned long)HIWORD(high), (unsigned long)LOWORD(high),
         (unsigned long)HIWORD(low), (unsigned long)LOWORD(low));
}

int main(int argc, char** argv) {
  if (argc != 2) {
    printf("usage: versioninfo FILE\n");
    return 2;
  }
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
  void* block = size ? malloc(size) : NULL;
  if (block == NULL || !GetFileVersionInfoA(argv[1], 0, size, block)) {
    printf("no version resource (error %lu)\n", (unsigned long)GetLastError());
    return 1;
  }
  VS_FIXEDFILEINFO* fixed = NULL;
  UINT length = 0;
  if (!VerQueryValueA(block, "\\", (void**)&fixed, &length) || length < sizeof *fixed) {
    printf("no fixed version\n");
    return 1;
  }
  PrintFixed("file", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  PrintFixed("product", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
    char path[64];
    char* value = NULL;
    snprintf(path, sizeof path, "\\StringFileInfo\\040904E4\\%s", kNames[i]);
    if (VerQueryValueA(block, path, (void**)&value, &length) && value != NULL) {
      printf("%s=%s\n", kNames[i], value);
    } else {
      printf("%s missing\n", kNames[i]);
    }
  }
  free(block);
  return 0;
}
