// A test allocator: the program's global operator new, which can be told to
// fail one allocation of the calling thread, as a full heap would.
#pragma once

// How the armed allocation fails: as a full heap does (std::bad_alloc), or
// with the std::system_error of a lock that fails, standing in for every
// other failure inside a call.
enum class Failure { kMemory, kLock };

// Makes the allocation after `allocations` more on this thread fail (0: the
// next one). Cleared when it has failed.
void FailAllocationAfter(long allocations, Failure failure = Failure::kMemory);
// Stops a failure that has not happened yet; true when one did happen.
bool StopFailingAllocations();
