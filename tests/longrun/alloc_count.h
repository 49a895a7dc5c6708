// Heap use seen by this test binary's replaced operator new and delete.
#pragma once
#include <cstdint>

namespace alloccount {
// Allocations made so far by the calling thread.
uint64_t ThreadAllocations();
// Bytes allocated and not yet freed, all threads.
int64_t LiveBytes();
}  // namespace alloccount
