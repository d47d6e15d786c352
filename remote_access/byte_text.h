// Names taken out of remote-access records and handed across the exported
// interface as OLE byte strings.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>

#include "remote_access/nelvoras.h"

// The bytes of a fixed-size text field up to its first NUL byte (or the
// whole field when it has none), without leading and trailing blanks
// (byte 32 only).
std::string TrimmedField(const char* field, size_t capacity);

// The bytes of an OLE byte string, which is then freed (the caller owned
// it); the null handle is the empty text.
std::string TakeByteString(NELVO_BSTR text);

// A new OLE byte string with the text's bytes; the empty text is the null
// handle. The caller frees it with SysFreeString.
NELVO_BSTR NewByteString(const std::string& text);

// Frees an owned OLE byte string.
struct ByteStringRelease {
  void operator()(NELVO_BSTR text) const noexcept;
};
// An OLE byte string with one owner, freed unless release() hands it on.
typedef std::unique_ptr<std::remove_pointer_t<NELVO_BSTR>, ByteStringRelease> OwnedByteString;

// NewByteString's string, owned. Throws std::bad_alloc when a text that is
// not empty cannot be allocated: the null handle would read as the empty
// text, which means "the stored value" to rsDialEntry.
OwnedByteString NewOwnedByteString(const std::string& text);
