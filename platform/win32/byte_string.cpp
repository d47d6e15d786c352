// OLE byte strings on Windows: BSTRs from oleaut32.dll, bound at the first
// string rather than imported. Importing oleaut32 loads the whole OLE stack
// when the process starts, which costs a run that only prints its usage
// block as much again as the run itself.
#include <windows.h>

#include <oleauto.h>

#include <mutex>

#include "platform/platform.h"

namespace {

// The three functions, all bound or none: a string that could be made but
// not measured or freed would be worse than no string.
struct OleStrings {
  decltype(&::SysAllocStringByteLen) alloc_byte_len = nullptr;
  decltype(&::SysFreeString) free_string = nullptr;
  decltype(&::SysStringByteLen) byte_len = nullptr;
};

// The function's name and its type come from one token. GetProcAddress's
// own function type is a placeholder, hence the detour through void*.
#define BIND_OLE_FUNCTION(module, field, name)    \
  ((field) = reinterpret_cast<decltype(&::name)>( \
       reinterpret_cast<void*>(GetProcAddress((module), #name))))

OleStrings Bind() {
  OleStrings bound;
  // Kept loaded for the rest of the process: strings outlive any call.
  HMODULE module = LoadLibraryA("oleaut32.dll");
  if (module == nullptr) return bound;
  OleStrings found;
  if (BIND_OLE_FUNCTION(module, found.alloc_byte_len, SysAllocStringByteLen) &&
      BIND_OLE_FUNCTION(module, found.free_string, SysFreeString) &&
      BIND_OLE_FUNCTION(module, found.byte_len, SysStringByteLen)) {
    bound = found;
  }
  return bound;
}

// Binds once, under a lock, on the first call from any thread; a failed
// bind is not tried again, and leaves all three functions null.
const OleStrings& Functions() {
  static std::mutex lock;
  static bool tried = false;
  static OleStrings functions;
  std::lock_guard<std::mutex> hold(lock);
  if (!tried) {
    functions = Bind();
    tried = true;
  }
  return functions;
}

}  // namespace

// A new BSTR holding the bytes as they are; nullptr when out of memory or
// when oleaut32.dll cannot be had.
PlatformByteString PlatformAllocByteString(const char* bytes, uint32_t length) {
  const OleStrings& ole = Functions();
  return ole.alloc_byte_len ? ole.alloc_byte_len(bytes, length) : nullptr;
}

// SysFreeString; nullptr is allowed. Without oleaut32.dll there is no
// string of ours to free.
void PlatformFreeByteString(PlatformByteString text) {
  if (text == nullptr) return;
  const OleStrings& ole = Functions();
  if (ole.free_string) ole.free_string(text);
}

// Byte length of the string; 0 for nullptr and without oleaut32.dll.
uint32_t PlatformByteStringLength(PlatformByteString text) {
  if (text == nullptr) return 0;
  const OleStrings& ole = Functions();
  return ole.byte_len ? ole.byte_len(text) : 0;
}
