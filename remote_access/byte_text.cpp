// Field extraction and OLE byte strings for the exported interface.
#include "remote_access/byte_text.h"

#include <cstring>
#include <new>

#include "platform/platform.h"

// TrimmedField
std::string TrimmedField(const char* field, size_t capacity) {
  const void* nul = memchr(field, '\0', capacity);
  size_t end = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : capacity;
  size_t begin = 0;
  while (begin < end && field[begin] == ' ') ++begin;
  while (end > begin && field[end - 1] == ' ') --end;
  return std::string(field + begin, end - begin);
}

// TakeByteString
std::string TakeByteString(NELVO_BSTR text) {
  if (text == nullptr) return std::string();
  std::string bytes(reinterpret_cast<const char*>(text), PlatformByteStringLength(text));
  PlatformFreeByteString(text);
  return bytes;
}

// NewByteString
NELVO_BSTR NewByteString(const std::string& text) {
  if (text.empty()) return nullptr;
  return PlatformAllocByteString(text.data(), static_cast<uint32_t>(text.size()));
}

void ByteStringRelease::operator()(NELVO_BSTR text) const noexcept {
  PlatformFreeByteString(text);
}

// NewOwnedByteString
OwnedByteString NewOwnedByteString(const std::string& text) {
  OwnedByteString owned(NewByteString(text));
  if (owned == nullptr && !text.empty()) throw std::bad_alloc();
  return owned;
}
