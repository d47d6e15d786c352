// A test allocator: the program's global operator new, which can be told to
// fail one allocation of the calling thread, as a full heap would.
#pragma once

// Makes the allocation after `allocations` more on this thread throw
// std::bad_alloc (0: the next one). Cleared when it has failed.
void FailAllocationAfter(long allocations);
// Stops a failure that has not happened yet; true when one did happen.
bool StopFailingAllocations();
