// The edge of the exported interface. Other programs call the exports, and
// the service calls the notifier on a thread of its own: an exception that
// left any of them would end the process through std::terminate. Each
// export runs its body through AtExportEdge and gives the result of a
// failed call instead.
#pragma once

#include <cstdint>

// Windows' "not enough memory": the code of a failed allocation.
const int32_t kErrorNotEnoughMemory = 8;
// Windows' "internal error": any other failure inside (a lock error).
const int32_t kErrorInternal = 1359;

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
