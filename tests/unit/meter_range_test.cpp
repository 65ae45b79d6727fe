#include "corvex_engine.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <utility>

namespace
{

using namespace corvex::testing;

// In "M only" the input matrix of stereo blocks sums both channels into mid.
// Mono blocks move only its first coefficient, from half the trim gain up to
// the whole, so the next stereo block's mid is 1.5 times the trim gain times
// the input: beyond the float range for full-scale samples. The meter reads
// the largest float there, as the output would, and never infinity.
TEST(MeterRange, AMeterBeyondTheFloatRangeReadsTheLargestFloat)
{
    const float largest = std::numeric_limits<float>::max();
    auto engine = makeEngine(48000, {{kParamSideChainDetectionMode, 0.75f}});
    float samples[32];
    float output[2][32];
    std::fill(std::begin(samples), std::end(samples), largest);
    const float* inputs[2] = {samples, samples};
    float* outputs[2] = {output[0], output[1]};
    const std::pair<int, int> channelsAndBlocks[] = {{2, 100}, {1, 300}, {2, 1}};
    for (const auto& [channels, blocks] : channelsAndBlocks)
        for (int block = 0; block < blocks; ++block)
            engine->process(inputs, outputs, nullptr, channels, 32);

    EXPECT_EQ(engine->getMeterValue(kMeterInput0), largest) << "mid: about 1.19 times the largest float";
    for (int meter = 0; meter < kNumMeters; ++meter)
    {
        const float value = engine->getMeterValue(meter);
        EXPECT_TRUE(std::isfinite(value) && value >= 0.0f) << "meter " << meter << ": " << value;
    }
}

} // namespace
