// Replaces the global allocation functions of the test program. Only the
// armed thread is affected, so the service's notifier thread and the test
// framework allocate as usual.
#include "tests/remote_access_dial/failing_allocator.h"

#include <cstdlib>
#include <new>
#include <system_error>

namespace {

thread_local long countdown = -1;
thread_local bool failed = false;
thread_local Failure armed_failure = Failure::kMemory;

}  // namespace

void FailAllocationAfter(long allocations, Failure failure) {
  failed = false;
  countdown = allocations;
  armed_failure = failure;
}

bool StopFailingAllocations() {
  countdown = -1;
  return failed;
}

void* operator new(std::size_t size) {
  if (countdown == 0) {
    countdown = -1;
    failed = true;
    if (armed_failure == Failure::kLock) {
      throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
    }
    throw std::bad_alloc();
  }
  if (countdown > 0) --countdown;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* operator new[](std::size_t size) {
  return operator new(size);
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete[](void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
