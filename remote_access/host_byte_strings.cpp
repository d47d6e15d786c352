// The oleaut32 names of the byte-string functions, exported by the host
// library, so that a program using libnelvoras.so frees the strings it gets
// as a Windows program does. Windows programs use oleaut32 itself.
#include "platform/platform.h"
#include "remote_access/library_export.h"

extern "C" {

// SysAllocStringByteLen
NELVO_EXPORT wchar_t* SysAllocStringByteLen(const char* bytes, unsigned int length) {
  return PlatformAllocByteString(bytes, length);
}

// SysFreeString
NELVO_EXPORT void SysFreeString(wchar_t* text) {
  PlatformFreeByteString(text);
}

// SysStringByteLen
NELVO_EXPORT unsigned int SysStringByteLen(wchar_t* text) {
  return PlatformByteStringLength(text);
}

}  // extern "C"
