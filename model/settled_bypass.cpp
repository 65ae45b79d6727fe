#include "model/settled_bypass.h"

#include "libraries/dsp/math/double_lanes.h"
#include "libraries/dsp/vector/vector_primitives.h"
#include "model/bypass_crossfade.h"
#include "model/delay_line.h"
#include "model/glide.h"
#include "model/host_samples.h"
#include "model/model_state.h"
#include "model/ring_delay.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace corvex
{

namespace
{

using dsp::math::DoubleLanes;
using dsp::math::maxLanes;

using Ring = RingPosition<kDelayLineLength>;

// The output sample of a settled bypass: plus 0.0, as the crossfade with a
// silent compressor computes it (-0.0 becomes +0.0), then as the engine hands
// any sample out.
inline float narrowed(double sample)
{
    return toHost(sample + 0.0);
}

inline double magnitude(double x)
{
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & ~(std::uint64_t{1} << 63));
}

void widenInto(const float* source, double* ring, std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i)
        ring[i] = fromHost(source[i]);
}

// Narrows count samples of the ring into destination; returns the largest
// magnitude among them and peak. The ring holds only widened finite floats, so
// no NaN takes part and the largest magnitude is the same in any order: two
// lanes keep their own maxima.
double narrowFrom(const double* ring, float* destination, std::int32_t count, double peak)
{
    DoubleLanes largest = {peak, peak};
    std::int32_t i = 0;
    for (; i + 2 <= count; i += 2)
    {
        DoubleLanes pair;
        std::memcpy(&pair, ring + i, sizeof pair);
        largest = maxLanes(largest, DoubleLanes{magnitude(pair[0]), magnitude(pair[1])});
        destination[i] = narrowed(pair[0]);
        destination[i + 1] = narrowed(pair[1]);
    }
    double result = largest[0] > largest[1] ? largest[0] : largest[1];
    for (; i < count; ++i)
    {
        const double m = magnitude(ring[i]);
        result = m > result ? m : result;
        destination[i] = narrowed(ring[i]);
    }
    return result;
}

} // namespace

bool bypassSettled(const ParameterSnapshot& snapshot, const ModelState& state)
{
    const double fade = state.resetPending ? snapshot.enableFadeTarget : state.enableFade;
    return snapshot.effectEnabled == 0 && std::bit_cast<std::uint64_t>(fade) == 0 &&
           glideSettled(fade, snapshot.enableFadeTarget, kEnableFadeRate);
}

void runSettledBypass(const float* const* input, float* const* output, std::int32_t numSamples,
                      std::int32_t numChannels, const ParameterSnapshot& snapshot, ModelState& state)
{
    DelayLineState& delay = state.dryDelay;
    const std::int32_t n = numSamples;
    const std::uint32_t w = Ring::wrap(static_cast<std::uint32_t>(delay.writePosition));
    const std::uint32_t r = Ring::behind(w, snapshot.latencySamples);
    const std::uint32_t delaySamples = Ring::behind(w, r);

    // Writing the whole block before reading any of it reads what writing and
    // reading sample by sample reads, unless a read lands on a position that a
    // later sample of the block writes: a delay within a block of the ring's length.
    const bool wholeBlock = delaySamples == 0 || static_cast<std::uint32_t>(n) <= kDelayLineLength - delaySamples;
    const std::int32_t writeFirst = std::min<std::int32_t>(n, static_cast<std::int32_t>(kDelayLineLength - w));
    const std::int32_t readFirst = std::min<std::int32_t>(n, static_cast<std::int32_t>(kDelayLineLength - r));

    for (std::int32_t c = 0; c < numChannels; ++c)
    {
        double* ring = delay.buffer[c];
        double peak = 0.0;
        if (wholeBlock)
        {
            widenInto(input[c], ring + w, writeFirst);
            widenInto(input[c] + writeFirst, ring, n - writeFirst);
            peak = narrowFrom(ring + r, output[c], readFirst, peak);
            peak = narrowFrom(ring, output[c] + readFirst, n - readFirst, peak);
        }
        else
        {
            for (std::int32_t i = 0; i < n; ++i)
            {
                ring[Ring::ahead(w, static_cast<std::uint32_t>(i))] = fromHost(input[c][i]);
                peak = narrowFrom(ring + Ring::ahead(r, static_cast<std::uint32_t>(i)), output[c] + i, 1, peak);
            }
        }
        state.gainReductionMeter[c].store(1.0, std::memory_order_relaxed);
        state.inputMeter[c].store(peak, std::memory_order_relaxed);
        state.outputMeter[c].store(peak, std::memory_order_relaxed);
    }

    delay.writePosition = static_cast<std::int32_t>(Ring::ahead(w, static_cast<std::uint32_t>(n)));
    state.resetPending = 0;
    state.enableFade = 0.0;
}

} // namespace corvex
