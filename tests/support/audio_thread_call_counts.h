#pragma once

#include <cstdint>

namespace corvex::testing
{

// What the counted stretches of code did on the calling thread.
struct CallCounts
{
    std::uint64_t allocations = 0;
    std::uint64_t deallocations = 0;
    std::uint64_t locks = 0; // pthread_mutex_lock and pthread_mutex_trylock
};

// Counts the allocations and mutex locks made on this thread while counting is
// on, including those inside plug-ins loaded at run time: the test executable
// defines the C allocation and mutex lock functions itself, and the dynamic
// linker binds every shared object's calls to the executable's definitions
// first. Counting starts off; switching it on and off around the calls of
// interest leaves the code between them uncounted.
void resumeCountingCalls();
void pauseCountingCalls();
// The counts so far; counting then starts again from zero.
CallCounts takeCallCounts();

} // namespace corvex::testing
