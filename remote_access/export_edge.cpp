// Error codes for the failures caught at the edge of the exported interface.
#include "remote_access/export_edge.h"

#include <new>

// HandledExceptionCode: out of memory, or anything else.
int32_t HandledExceptionCode() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return kErrorNotEnoughMemory;
  } catch (...) {
    return kErrorInternal;
  }
}
