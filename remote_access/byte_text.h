// Names taken out of remote-access records and handed across the exported
// interface as OLE byte strings.
#pragma once

#include <cstddef>
#include <string>

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
