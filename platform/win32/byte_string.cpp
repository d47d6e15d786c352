// OLE byte strings on Windows: BSTRs from oleaut32.
#include <windows.h>

#include <oleauto.h>

#include "platform/platform.h"

// A new BSTR holding the bytes as they are; nullptr when out of memory.
PlatformByteString PlatformAllocByteString(const char* bytes, uint32_t length) {
  return SysAllocStringByteLen(bytes, length);
}

// SysFreeString; nullptr is allowed.
void PlatformFreeByteString(PlatformByteString text) {
  SysFreeString(text);
}

// Byte length of the string; 0 for nullptr.
uint32_t PlatformByteStringLength(PlatformByteString text) {
  return SysStringByteLen(text);
}
