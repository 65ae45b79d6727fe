#pragma once

#include <cstddef>

namespace corvex::testing
{

// Number of heap allocations (malloc, calloc, realloc and the aligned forms,
// which operator new also goes through) made in this process so far. Counted by
// allocation_counter.cpp, which replaces the allocator of the test executable
// and of every library it loads.
std::size_t allocationCount();

} // namespace corvex::testing
