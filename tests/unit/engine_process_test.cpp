#include "corvex_engine.h"
#include "tests/support/engine_driver.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

namespace
{

using namespace corvex::testing;

constexpr const char* kSamplesExpression = "inNumSamples > 0 && inNumSamples <= kCorvexMaxBufferSize";
constexpr const char* kChannelsExpression = "inNumChannels > 0 && inNumChannels <= kCorvexMaxNumChannels";

TEST(ProcessChecks, CountsAreReportedWithTheirValues)
{
    auto engine = makeEngine(48000);
    ReportCapture capture;
    float in[33] = {};
    float out[33];
    const float* inputs[2] = {in, in};
    float* outputs[2] = {out, out};
    for (int n : {0, 33, -1})
        engine->process(inputs, outputs, nullptr, 1, n);
    for (int c : {0, 3})
        engine->process(inputs, outputs, nullptr, c, 32);
    engine->process(inputs, outputs, nullptr, 1, 32);
    engine->process(inputs, outputs, nullptr, 2, 1);
    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 5u) << "1 and 32 samples, 1 and 2 channels pass";
    EXPECT_EQ(reports[0].message, "Number of samples is too large: 0");
    EXPECT_EQ(reports[1].message, "Number of samples is too large: 33");
    EXPECT_EQ(reports[2].message, "Number of samples is too large: -1");
    EXPECT_EQ(reports[0].expression, kSamplesExpression);
    EXPECT_EQ(reports[0].line, 372u);
    EXPECT_EQ(reports[3].message, "Invalid number of channels: 0");
    EXPECT_EQ(reports[4].message, "Invalid number of channels: 3");
    EXPECT_EQ(reports[4].expression, kChannelsExpression);
    EXPECT_EQ(reports[4].line, 374u);
}

TEST(ProcessChecks, EveryFailedCheckIsReportedInOrder)
{
    auto engine = makeEngine(48000);
    ReportCapture capture;
    engine->process(nullptr, nullptr, nullptr, 5, 40);
    auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].line, 372u);
    EXPECT_EQ(reports[1].line, 374u);
    EXPECT_EQ(reports[2].line, 376u);
    EXPECT_EQ(reports[2].expression, "inBuffer != nullptr && outBuffer != nullptr");
    EXPECT_EQ(reports[2].message, "Invalid I/O buffers");

    capture.clear();
    float in[4] = {1, 2, 3, 4};
    const float* inputs[2] = {in, in};
    float* outputs[2] = {nullptr, nullptr};
    engine->process(inputs, outputs, nullptr, 2, 4);
    reports = capture.reports();
    ASSERT_EQ(reports.size(), 2u) << "each bad channel is reported";
    for (const auto& r : reports)
    {
        EXPECT_EQ(r.expression, "inBuffer[c] != nullptr && outBuffer[c] != nullptr");
        EXPECT_EQ(r.message, "Invalid I/O channels");
        EXPECT_EQ(r.line, 378u);
    }
}

TEST(ProcessChecks, AFailedCallSilencesOnlyTheReachableChannels)
{
    auto engine = makeEngine(48000);
    ReportCapture capture;
    float in[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    float out0[8];
    std::fill(std::begin(out0), std::end(out0), 7.0f);
    const float* inputs[2] = {in, nullptr};
    float* outputs[2] = {out0, nullptr};
    engine->process(inputs, outputs, nullptr, 2, 4);
    EXPECT_EQ(capture.count(), 1u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(out0[i], 0.0f);
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(out0[i], 7.0f) << "nothing beyond the sample count is written";
    EXPECT_EQ(engine->getMeterValue(kMeterInput0), 0.0f) << "a failed call touches no state";
}

TEST(ProcessChecks, BeforeTheFirstSampleRateTheOutputIsSilent)
{
    EnginePtr engine(createCorvexEngine());
    ReportCapture capture;
    float in[32];
    std::fill(std::begin(in), std::end(in), 0.5f);
    float out[32];
    std::fill(std::begin(out), std::end(out), 3.0f);
    const float* inputs[1] = {in};
    float* outputs[1] = {out};
    engine->process(inputs, outputs, nullptr, 1, 32);
    for (float s : out)
        EXPECT_EQ(s, 0.0f);
    EXPECT_EQ(capture.count(), 0u);
    for (int m = 0; m < kNumMeters; ++m)
        EXPECT_EQ(engine->getMeterValue(m), 0.0f);
}

TEST(ProcessSideChain, NullArrayOrChannelEqualsZeros)
{
    const int length = 2048;
    const Channels input = {noise(0.8, length, 1), noise(0.8, length, 2)};
    const Channels zeros = {std::vector<float>(length), std::vector<float>(length)};
    const std::initializer_list<std::pair<int, float>> values = {{kParamExternalSideChain, 1.0f}};
    auto a = makeEngine(48000, values);
    auto b = makeEngine(48000, values);
    auto c = makeEngine(48000, values);
    const auto withZeros = stream(*a, input, zeros);
    const auto withoutArray = stream(*b, input);
    EXPECT_EQ(withZeros.output, withoutArray.output);

    // A null second channel in a stereo call.
    Channels sideChain = {noise(0.5, length, 3), std::vector<float>(length)};
    auto d = makeEngine(48000, values);
    const auto reference = stream(*d, input, sideChain);
    Channels out = {std::vector<float>(length), std::vector<float>(length)};
    for (int start = 0; start < length; start += 32)
    {
        const float* in[2] = {input[0].data() + start, input[1].data() + start};
        float* o[2] = {out[0].data() + start, out[1].data() + start};
        const float* sc[2] = {sideChain[0].data() + start, nullptr};
        c->process(in, o, sc, 2, 32);
    }
    EXPECT_EQ(out, reference.output);
}

TEST(ProcessInput, NonFiniteSamplesEnterAsSilence)
{
    const int rate = 48000;
    auto engine = makeEngine(rate);
    auto loud = sine(1.0, 1000.0, rate, rate);
    loud[100] = std::numeric_limits<float>::quiet_NaN();
    loud[101] = std::numeric_limits<float>::infinity();
    loud[102] = -std::numeric_limits<float>::infinity();
    const auto result = stream(*engine, {loud});
    for (float s : result.output[0])
        ASSERT_TRUE(std::isfinite(s));
    EXPECT_LT(result.meters.back()[kMeterGainReduction0], 0.9f) << "the compressor goes on compressing";
    EXPECT_GT(rmsDb(result.output[0], rate / 2, rate), -30.0) << "and passes audio";
}

TEST(ProcessOutput, BeyondTheFloatRangeComesOutAsTheLargestFloat)
{
    const int rate = 48000;
    auto engine = makeEngine(rate, {{kParamExternalSideChain, 1.0f},
                                    {kParamExternalSideChainGain, 1.0f},
                                    {kParamSideChainListen, 1.0f}});
    const int length = 1024;
    std::vector<float> huge(length);
    for (int i = 0; i < length; ++i)
        huge[static_cast<std::size_t>(i)] = (i / 64) % 2 == 0 ? 3.0e38f : -3.0e38f;
    const auto result = stream(*engine, {std::vector<float>(length)}, {huge});
    const float largest = std::numeric_limits<float>::max();
    int positive = 0;
    int negative = 0;
    for (float s : result.output[0])
    {
        ASSERT_TRUE(std::isfinite(s));
        positive += s == largest;
        negative += s == -largest;
    }
    EXPECT_GT(positive, 100);
    EXPECT_GT(negative, 100);
}

TEST(ProcessHandOff, AChangeBetweenBlocksStartsExactlyAtTheNextBlock)
{
    const int rate = 48000;
    const int length = 4096;
    const Channels input = {noise(0.5, length, 7), noise(0.5, length, 8)};
    auto reference = makeEngine(rate);
    auto changed = makeEngine(rate);
    const auto plain = stream(*reference, input);
    const int switchBlock = 40;
    const auto result = stream(*changed, input, {}, 32, [&](int block, int) {
        if (block == switchBlock)
            changed->setNormalizedValue(kParamOutputGain, 1.0f);
    });
    for (int c = 0; c < 2; ++c)
    {
        for (int i = 0; i < switchBlock * 32; ++i)
            ASSERT_EQ(result.output[c][i], plain.output[c][i]) << i;
        bool differs = false;
        for (int i = switchBlock * 32; i < length; ++i)
            differs = differs || result.output[c][i] != plain.output[c][i];
        EXPECT_TRUE(differs);
    }
}

TEST(ProcessHandOff, ParametersChangedDuringProcessingAreSafe)
{
    auto engine = makeEngine(48000);
    std::atomic<bool> stop{false};
    std::thread control([&] {
        for (int i = 0; !stop.load(); ++i)
        {
            engine->setNormalizedValue(i % kNumParameters, static_cast<float>(i % 101) / 100.0f);
            engine->getMeterValue(i % kNumMeters);
        }
    });
    const auto input = noise(0.9, 48000, 11);
    const auto result = stream(*engine, Channels{input, input});
    stop = true;
    control.join();
    for (const auto& channel : result.output)
        for (float s : channel)
            ASSERT_TRUE(std::isfinite(s));
}

} // namespace
