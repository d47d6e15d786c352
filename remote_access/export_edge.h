// The edge of the exported interface. Other programs call the exports, and
// the service calls the notifier on a thread of its own: an exception that
// left any of them would end the process through std::terminate. Each
// export runs its body through AtExportEdge and gives the result of a
// failed call instead.
#pragma once

#include <cstdint>

#include "remote_access/ras_records.h"

// Windows' "not enough memory": the code of a failed allocation.
const int32_t kErrorNotEnoughMemory = RAS_ERROR_NOT_ENOUGH_MEMORY;
// Windows' "internal error": any other failure inside (a lock error).
const int32_t kErrorInternal = RAS_ERROR_INTERNAL;

// The error code for the exception being handled; call only in a handler.
int32_t HandledExceptionCode() noexcept;

// body(), or `failed` when it throws.
template <typename Result, typename Body>
Result AtExportEdge(Result failed, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failed;
  }
}
