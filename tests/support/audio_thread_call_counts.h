#pragma once

#include <cstdint>
#include <utility>

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
// on. The test executable's own allocation and lock functions call countCall:
// audio_thread_call_counts.cpp defines the C library's, which the dynamic linker
// binds every shared object's calls to first (plug-ins loaded at run time), or
// the executable wraps them at link time (--wrap). Counting starts off;
// switching it on and off around the calls of interest leaves the code between
// them uncounted. Plain thread-local data initialised at compile time: reading
// it never allocates, which matters inside malloc.
inline constinit thread_local bool countingCalls = false;
inline constinit thread_local CallCounts countedCalls{};
inline void countCall(std::uint64_t CallCounts::*what)
{
    if (countingCalls)
        ++(countedCalls.*what);
}
inline void resumeCountingCalls() { countingCalls = true; }
inline void pauseCountingCalls() { countingCalls = false; }
// The counts so far; counting then starts again from zero.
inline CallCounts takeCallCounts() { return std::exchange(countedCalls, CallCounts{}); }
// The counts of everything the work does on this thread.
template <typename Work>
CallCounts countCalls(Work&& work)
{
    takeCallCounts();
    resumeCountingCalls();
    work();
    pauseCountingCalls();
    return takeCallCounts();
}

} // namespace corvex::testing
