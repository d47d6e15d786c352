// OLE byte strings on POSIX: the shape of a BSTR without oleaut32. The
// pointer handed out sits just after a 4-byte byte length, and two NUL
// bytes follow the data, so the text reads as a C string too.
#include <stdlib.h>
#include <string.h>

#include "platform/platform.h"

namespace {

const size_t kLengthPrefix = sizeof(uint32_t);
const size_t kTerminator = 2;

char* PrefixOf(PlatformByteString text) {
  return reinterpret_cast<char*>(text) - kLengthPrefix;
}

}  // namespace

// A new string holding length bytes (zeros when bytes is nullptr);
// nullptr when out of memory.
PlatformByteString PlatformAllocByteString(const char* bytes, uint32_t length) {
  char* block = static_cast<char*>(malloc(kLengthPrefix + size_t{length} + kTerminator));
  if (block == nullptr) return nullptr;
  memcpy(block, &length, kLengthPrefix);
  char* data = block + kLengthPrefix;
  if (bytes != nullptr) {
    memcpy(data, bytes, length);
  } else {
    memset(data, 0, length);
  }
  memset(data + length, 0, kTerminator);
  return reinterpret_cast<PlatformByteString>(data);
}

// Frees a string made by PlatformAllocByteString; nullptr is allowed.
void PlatformFreeByteString(PlatformByteString text) {
  if (text != nullptr) free(PrefixOf(text));
}

// Byte length of the string; 0 for nullptr.
uint32_t PlatformByteStringLength(PlatformByteString text) {
  if (text == nullptr) return 0;
  uint32_t length;
  memcpy(&length, PrefixOf(text), kLengthPrefix);
  return length;
}
