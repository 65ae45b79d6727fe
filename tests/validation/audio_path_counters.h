#pragma once

#include <cstdint>

namespace corvex::validation
{

struct AudioPathCounts
{
    std::uint64_t allocations = 0;
    std::uint64_t deallocations = 0;
    std::uint64_t locks = 0;
};

// Counts the heap allocations, deallocations and mutex locks made on the
// calling thread while it lives. The executable must be linked with the
// wrapped allocation and lock functions (see tests/validation/CMakeLists.txt)
// and must link the engine statically, so that the engine's calls go through
// the wraps too.
class CountingScope
{
public:
    CountingScope();
    ~CountingScope();
    CountingScope(const CountingScope&) = delete;
    CountingScope& operator=(const CountingScope&) = delete;

    AudioPathCounts counts() const;
};

} // namespace corvex::validation
