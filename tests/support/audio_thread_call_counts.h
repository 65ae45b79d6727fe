#pragma once

#include <cstdint>

namespace corvex::testing
{

// What a stretch of code did on the calling thread.
struct CallCounts
{
    std::uint64_t allocations = 0;
    std::uint64_t deallocations = 0;
    std::uint64_t locks = 0;
};

void startCountingCalls();
CallCounts stopCountingCalls();

// The allocations and mutex locks that work makes on this thread, including
// those inside plug-ins loaded at run time: the test executable defines the
// C allocation functions and pthread_mutex_lock itself, and the dynamic linker
// binds every shared object's calls to the executable's definitions first.
template <typename Work>
CallCounts countCalls(Work&& work)
{
    startCountingCalls();
    work();
    return stopCountingCalls();
}

} // namespace corvex::testing
