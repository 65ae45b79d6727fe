// Coverage-guided fuzzing of the public engine interface. The input bytes
// script a sequence of calls with arbitrary arguments; the host's side of the
// contract is kept (text lengths never exceed the buffers owned here, pointer
// arrays hold the channels they claim, or two pointers for a count the engine
// must reject). Any crash, sanitizer report, hang, missing or extra report,
// write outside what the checks allow, or unclean output aborts the run.
// Built with CORVEX_CORPUS_REPLAY it is a program that runs every file of the
// given directories once, so that the committed corpus is a regression test.
#include "corvex_engine.h"
#include "tests/support/engine_driver.h"
#include "tests/support/report_capture.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace corvex::validation
{
namespace
{

constexpr char kUntouchedText = static_cast<char>(0xA5);
constexpr float kUntouchedSample = 12345.0f;
const int kValidRates[] = {1, 2, 199, 8000, 22050, 44100, 48000, 88200, 96000, 176400, 191999, 192000};

void require(bool condition, const char* fault)
{
    if (condition)
        return;
    std::fprintf(stderr, "engine fault: %s\n", fault);
    std::abort();
}

bool validId(int id) { return id >= 0 && id < kNumParameters; }
// The engine's own comparisons, so that validity agrees whatever the thread's denormal setting.
bool validValue(float value) { return value >= 0.0f && value <= 1.0f; }
float clampedValue(float value) { return value > 1.0f ? 1.0f : !(value >= 0.0f) ? 0.0f : value; }

using testing::Channels;
// Bit for bit, so that NaN samples compare equal to themselves.
bool sameSamples(const Channels& a, const Channels& b)
{
    return std::ranges::equal(a, b, [](const auto& x, const auto& y) {
        return std::memcmp(x.data(), y.data(), sizeof(float) * x.size()) == 0;
    });
}

class CallScript
{
public:
    CallScript(const std::uint8_t* bytes, std::size_t size, testing::ReportCapture& reportCapture)
        : data(bytes, size), capture(reportCapture), engine(createCorvexEngine())
    {
    }

    void run()
    {
        for (int call = 0; call < 2000 && data.remaining_bytes() > 0; ++call)
            switch (data.ConsumeIntegralInRange<int>(0, 16))
            {
            case 0: setSampleRate(); break;
            case 1:
            case 2: setNormalizedValue(); break;
            case 3: {
                const int id = pickId(kNumParameters);
                const float value = engine->getNormalizedValue(id);
                expectReports(validId(id) ? 0 : 1, "getNormalizedValue");
                require(!validId(id) || validValue(value), "stored value in range");
                break;
            }
            case 4: getDisplayValues(); break;
            case 5:
            case 6: copyText(); break;
            case 7:
            case 8: process(); break;
            case 9: stream(); break;
            case 10: {
                const int id = pickId(kNumMeters);
                const float value = engine->getMeterValue(id);
                require(id >= 0 && id < kNumMeters ? !std::isnan(value) && value >= 0.0f : value == 0.0f, "meter value");
                expectReports(id >= 0 && id < kNumMeters ? 0 : 1, "getMeterValue");
                break;
            }
            case 11:
                engine->resetParameters();
                expectReports(0, "resetParameters");
                break;
            case 12: require(std::strcmp(engine->getVersion(), "1.0.11") == 0, "version text"); break;
            case 13:
                engine.reset(createCorvexEngine());
                ready = false;
                latencySamples = 0;
                break;
            default: require(engine->getLatencySamples() == latencySamples, "latency"); break;
            }
    }

private:
    void expectReports(std::size_t expected, const char* operation)
    {
        if (capture.count() != expected)
            std::fprintf(stderr, "%s: %zu reports, expected %zu\n", operation, capture.count(), expected);
        require(capture.count() == expected, "report count");
        capture.clear();
    }

    int pickId(int count)
    {
        return data.ConsumeBool() ? data.ConsumeIntegralInRange<int>(-2, count + 1) : data.ConsumeIntegral<std::int32_t>();
    }

    float pickNormalizedValue()
    {
        const float special[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(), -0.0f, 0.5f, 1.0f, std::nextafter(1.0f, 2.0f),
                                 -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(), -1.0f};
        switch (data.ConsumeIntegralInRange<int>(0, 2))
        {
        case 0: return data.ConsumeProbability<float>();
        case 1: return special[data.ConsumeIntegralInRange<std::size_t>(0, std::size(special) - 1)];
        default: return std::bit_cast<float>(data.ConsumeIntegral<std::uint32_t>());
        }
    }

    int pickCount(int largestValid)
    {
        return data.ConsumeIntegralInRange<int>(0, 7) != 0 ? data.ConsumeIntegralInRange<int>(1, largestValid)
                                                           : data.ConsumeIntegral<std::int32_t>();
    }

    float pickSample()
    {
        return data.ConsumeIntegralInRange<int>(0, 3) == 0 ? std::bit_cast<float>(data.ConsumeIntegral<std::uint32_t>())
                                                           : data.ConsumeFloatingPointInRange<float>(-2.0f, 2.0f);
    }

    void setSampleRate()
    {
        const int how = data.ConsumeIntegralInRange<int>(0, 2);
        const int rate = how == 0   ? kValidRates[data.ConsumeIntegralInRange<std::size_t>(0, std::size(kValidRates) - 1)]
                         : how == 1 ? data.ConsumeIntegralInRange<int>(-10, kCorvexMaxSampleRate + 10)
                                    : data.ConsumeIntegral<std::int32_t>();
        engine->setSampleRate(rate);
        const bool valid = rate >= 1 && rate <= kCorvexMaxSampleRate;
        expectReports(valid ? 0 : 1, "setSampleRate");
        if (valid)
        {
            ready = true;
            latencySamples = static_cast<int>(static_cast<double>(static_cast<float>(rate)) * 0.005);
        }
        require(engine->getLatencySamples() == latencySamples, "latency after setSampleRate");
    }

    void setNormalizedValue()
    {
        const int id = pickId(kNumParameters);
        const float value = pickNormalizedValue();
        engine->setNormalizedValue(id, value);
        expectReports((validId(id) ? 0 : 1) + (validValue(value) ? 0 : 1), "setNormalizedValue");
        require(!validId(id) || std::bit_cast<std::uint32_t>(engine->getNormalizedValue(id)) ==
                                    std::bit_cast<std::uint32_t>(clampedValue(value)), "stored value");
        expectReports(0, "getNormalizedValue");
    }

    void getDisplayValues()
    {
        const int id = pickId(kNumParameters);
        const float value = pickNormalizedValue();
        engine->getDisplayValue(id, value);
        expectReports((validId(id) ? 0 : 1) + (validValue(value) ? 0 : 1), "getDisplayValue");
        const float current = engine->getCurrentDisplayValue(id);
        expectReports(validId(id) ? 0 : 1, "getCurrentDisplayValue");
        require(std::isfinite(current), "finite current display value");
    }

    // One of the four text operations into a buffer owned here; the length
    // passed is anything up to the buffer's size, negative included.
    void copyText()
    {
        const int operation = data.ConsumeIntegralInRange<int>(0, 3);
        const int id = pickId(kNumParameters);
        const float value = pickNormalizedValue();
        const auto owned = data.ConsumeIntegralInRange<std::size_t>(0, 48);
        const int length = data.ConsumeBool() ? data.ConsumeIntegralInRange<int>(-2, static_cast<int>(owned))
                                              : data.ConsumeIntegralInRange<int>(INT_MIN, static_cast<int>(owned));
        std::unique_ptr<char[]> buffer(owned > 0 ? new char[owned] : nullptr);
        std::fill_n(buffer.get(), owned, kUntouchedText);
        char* text = owned > 0 ? buffer.get() : nullptr;
        if (length <= 0 && data.ConsumeBool())
            text = nullptr;

        std::size_t expected = validId(id) ? 0 : 1;
        switch (operation)
        {
        case 0: engine->getParameterName(id, text, length); break;
        case 1: engine->getParameterUnit(id, text, length); break;
        case 2:
            engine->getValueText(id, value, text, length);
            expected += validValue(value) ? 0 : 1;
            break;
        default: engine->getCurrentValueText(id, text, length); break;
        }
        expectReports(expected, "text operation");

        // strncpy: ASCII text, then NUL up to the length; nothing after it.
        bool ended = false;
        for (std::size_t i = 0; i < owned; ++i)
        {
            const char c = buffer[i];
            const bool inside = text != nullptr && static_cast<int>(i) < length;
            require(inside || c == kUntouchedText, "text written beyond its length");
            require(!inside || (c != kUntouchedText && (c & 0x80) == 0), "text not copied");
            require(!inside || !ended || c == '\0', "text not padded with NUL");
            ended = ended || c == '\0';
        }
    }

    // A call with any counts and any null pointers, into buffers of exactly
    // the size the counts promise (heap blocks, so the address sanitizer sees
    // any access past them).
    void process()
    {
        const int numChannels = pickCount(kCorvexMaxNumChannels);
        const int numSamples = pickCount(kCorvexMaxBufferSize);
        const bool channelsValid = numChannels >= 1 && numChannels <= kCorvexMaxNumChannels;
        const bool samplesValid = numSamples >= 1 && numSamples <= kCorvexMaxBufferSize;
        const auto arrayLength = static_cast<std::size_t>(channelsValid ? numChannels : kCorvexMaxNumChannels);
        const auto ownedSamples = static_cast<std::size_t>(samplesValid ? numSamples : kCorvexMaxBufferSize);
        const bool inPlace = data.ConsumeBool();
        const bool nullInputArray = data.ConsumeIntegralInRange<int>(0, 15) == 0;
        const bool nullOutputArray = data.ConsumeIntegralInRange<int>(0, 15) == 0;
        const int sideChainMode = data.ConsumeIntegralInRange<int>(0, 3); // absent, present, null channels

        Channels input(arrayLength, std::vector<float>(ownedSamples));
        Channels output(arrayLength, std::vector<float>(ownedSamples, kUntouchedSample));
        Channels sideChain(arrayLength, std::vector<float>(ownedSamples));
        std::unique_ptr<const float*[]> inputPointers(new const float*[arrayLength]);
        std::unique_ptr<float*[]> outputPointers(new float*[arrayLength]);
        std::unique_ptr<const float*[]> sideChainPointers(new const float*[arrayLength]);
        std::size_t nullChannels = 0;
        for (std::size_t c = 0; c < arrayLength; ++c)
        {
            for (std::size_t i = 0; i < ownedSamples; ++i)
            {
                input[c][i] = pickSample();
                sideChain[c][i] = pickSample();
            }
            const bool nullIn = data.ConsumeIntegralInRange<int>(0, 31) == 0;
            const bool nullOut = data.ConsumeIntegralInRange<int>(0, 31) == 0;
            inputPointers[c] = nullIn ? nullptr : input[c].data();
            outputPointers[c] = nullOut ? nullptr : inPlace ? input[c].data() : output[c].data();
            sideChainPointers[c] = sideChainMode == 3 && data.ConsumeBool() ? nullptr : sideChain[c].data();
            if (static_cast<int>(c) < numChannels && (nullIn || nullOut))
                ++nullChannels;
        }
        const auto inputBefore = input;
        const auto sideChainBefore = sideChain;

        engine->process(nullInputArray ? nullptr : inputPointers.get(), nullOutputArray ? nullptr : outputPointers.get(),
                        sideChainMode == 0 ? nullptr : sideChainPointers.get(), numChannels, numSamples);

        const bool arraysValid = !nullInputArray && !nullOutputArray;
        std::size_t expected = (samplesValid ? 0 : 1) + (channelsValid ? 0 : 1) + (arraysValid ? 0 : 1);
        if (channelsValid && arraysValid)
            expected += nullChannels;
        expectReports(expected, "process");
        ++blocks;

        require(sameSamples(sideChain, sideChainBefore), "side chain written");
        require(inPlace || sameSamples(input, inputBefore), "input written");
        if (!samplesValid || !channelsValid || !arraysValid)
        {
            // Nothing proves the buffers' size: not one sample may change.
            const Channels untouched(arrayLength, std::vector<float>(ownedSamples, kUntouchedSample));
            require(inPlace ? sameSamples(input, inputBefore) : sameSamples(output, untouched),
                    "output written after a failed check");
            return;
        }
        if (nullChannels > 0)
            return;
        for (int c = 0; c < numChannels; ++c)
            for (int i = 0; i < numSamples; ++i)
                requireCleanOutput(outputPointers[static_cast<std::size_t>(c)][i]);
        for (int meter = 0; meter < kNumMeters; ++meter)
            require(!std::isnan(engine->getMeterValue(meter)) && engine->getMeterValue(meter) >= 0.0f, "meter after process");
    }

    void requireCleanOutput(float sample)
    {
        require(isCleanSample(sample), "output not finite or subnormal");
        require(ready || sample == 0.0f, "output before the first sample rate is not silence");
    }

    // A run of valid blocks of one signal kind, for depth in the signal path at
    // little cost in input bytes.
    void stream()
    {
        const auto kind = kAllSignalKinds[data.ConsumeIntegralInRange<std::size_t>(0, std::size(kAllSignalKinds) - 1)];
        TestSignal signal(kind, data.ConsumeIntegral<std::uint8_t>());
        const int count = data.ConsumeIntegralInRange<int>(1, 64);
        for (int b = 0; b < count && blocks < 4000; ++b, ++blocks)
        {
            const auto bits = data.ConsumeIntegral<std::uint8_t>();
            const BlockShape shape{1 + (bits & 1), 1 + ((bits >> 1) & 31), static_cast<SideChainLayout>((bits >> 6) & 3)};
            block.fill(shape, signal, signal);
            block.process(*engine, shape);
            for (int c = 0; c < shape.numChannels; ++c)
                for (int i = 0; i < shape.numSamples; ++i)
                    requireCleanOutput(block.output[c][i]);
        }
        expectReports(0, "stream");
    }

    FuzzedDataProvider data;
    testing::ReportCapture& capture;
    std::unique_ptr<CorvexEngine> engine;
    HostBlock block;
    bool ready = false;
    int latencySamples = 0;
    int blocks = 0;
};

} // namespace
} // namespace corvex::validation

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    // Installed for the whole run: every report of every input is captured.
    static corvex::testing::ReportCapture capture;
    capture.clear();
    corvex::validation::CallScript(bytes, size, capture).run();
    return 0;
}

#ifdef CORVEX_CORPUS_REPLAY
#include <filesystem>
#include <fstream>
#include <iterator>

int main(int argc, char** argv)
{
    std::size_t inputs = 0;
    for (int a = 1; a < argc; ++a)
        for (const auto& entry : std::filesystem::directory_iterator(argv[a]))
        {
            std::ifstream stream(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream), {}};
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++inputs;
        }
    std::printf("replayed %zu inputs\n", inputs);
    return inputs > 0 ? 0 : 1;
}
#endif
