#include "model/fixed_filters.h"

#include "model/block_counts.h"

namespace corvex
{

namespace
{

// The record in a local copy for the block; only its states change.
template <typename Filter>
void runFixedFilter(const double* source, double* destination, std::int32_t numSamples, Filter& filter)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    Filter local = filter;
    for (std::int32_t i = 0; i < n; ++i)
        destination[i] = fixedFilterSample(local, source[i]);
    filter = local;
}

} // namespace

void resetFixedFirstOrder(FixedFirstOrder& filter)
{
    filter = FixedFirstOrder{0.0, 1.0, 0.0, 1.0, 0.0};
}

void resetFixedSecondOrder(FixedSecondOrder& filter)
{
    filter = FixedSecondOrder{0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
}

void fixedFirstOrder(const double* source, double* destination, std::int32_t numSamples, FixedFirstOrder& filter)
{
    runFixedFilter(source, destination, numSamples, filter);
}

void fixedSecondOrder(const double* source, double* destination, std::int32_t numSamples, FixedSecondOrder& filter)
{
    runFixedFilter(source, destination, numSamples, filter);
}

} // namespace corvex
