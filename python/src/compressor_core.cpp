#include "python/src/compressor_core.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "libraries/host/host_floating_point_mode.h"
#include "libraries/host/preset_text.h"
#include "libraries/host/value_text_lookup.h"
#include "tools/corvex/audio_file_reader.h"
#include "tools/corvex/audio_file_writer.h"
#include "tools/corvex/output_format.h"
#include "tools/corvex/path_checks.h"
#include "tools/corvex/usage_error.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace corvex::python
{

namespace
{

constexpr std::int64_t kChunkFrames = 4096;
constexpr int kGrid = kCorvexMaxBufferSize;

// The engine's mode for the whole call, so that values are parsed as the tool
// parses them (after its engine has set the mode); the caller's mode comes back.
struct EngineFloatingPointMode
{
    host::ScopedHostFloatingPointMode callerMode;
    EngineFloatingPointMode() { vec::prepareVectorUnit(); }
};

std::unique_ptr<CorvexEngine> createEngine()
{
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    if (!engine)
        throw std::runtime_error("the engine could not be created");
    return engine;
}

bool containsParameter(const std::vector<host::ParameterValue>& settings, int parameterId)
{
    return std::ranges::any_of(settings, [&](const host::ParameterValue& value) { return value.parameterId == parameterId; });
}

void overrideSettings(std::vector<host::ParameterValue>& settings, const std::vector<host::ParameterValue>& overrides)
{
    for (const host::ParameterValue& value : overrides)
    {
        const auto found = std::ranges::find(settings, value.parameterId, &host::ParameterValue::parameterId);
        if (found == settings.end())
            settings.push_back(value);
        else
            *found = value;
    }
}

// The settings an engine starts a stream with: a side chain switches "External
// SC" on unless the settings give it, as `corvex process --sidechain` does.
void prepareEngine(CorvexEngine& engine, int sampleRate, std::vector<host::ParameterValue> settings, bool sideChain)
{
    if (sideChain && !containsParameter(settings, kParamExternalSideChain))
        settings.push_back({kParamExternalSideChain, *host::normalizedFromText(
                                                         parameterDescriptions()[kParamExternalSideChain], "On")});
    engine.setSampleRate(sampleRate);
    for (const host::ParameterValue& value : settings)
        engine.setNormalizedValue(value.parameterId, value.normalizedValue);
}

const host::ParameterDescription& findParameter(const ParameterText& text)
{
    const std::vector<host::ParameterDescription>& parameters = parameterDescriptions();
    for (const host::ParameterDescription& parameter : parameters)
    {
        if (snakeCaseName(parameter.name) == text.key)
            return parameter;
    }
    if (const host::ParameterDescription* parameter = host::findParameter(parameters, text.key))
        return *parameter;
    throw host::ParameterTextError(text.label + ": unknown parameter \"" + text.key +
                                   "\" (corvex.parameter_names() lists them)");
}

float normalizedValue(CorvexEngine& engine, const host::ParameterDescription& parameter, const ParameterText& text)
{
    try
    {
        return host::normalizedFromValueText(engine, parameter, text.value);
    }
    catch (const host::ParameterTextError& error)
    {
        throw host::ParameterTextError(text.label + ": " + error.what());
    }
}

void checkSideChain(const tool::AudioFileReader& input, const tool::AudioFileReader& sideChain)
{
    const std::string name = "sidechain '" + sideChain.path().string() + "'";
    if (sideChain.sampleRate() != input.sampleRate())
        throw tool::UsageError(name + " runs at " + std::to_string(sideChain.sampleRate()) + " Hz, the input at " +
                               std::to_string(input.sampleRate()) + " Hz; both must have the same rate");
    if (sideChain.channels() != 1 && sideChain.channels() != input.channels())
        throw tool::UsageError(name + " has " + std::to_string(sideChain.channels()) + " channels for a " +
                               std::to_string(input.channels()) +
                               "-channel input; use a mono side chain or one with the input's channels");
}

} // namespace

const std::vector<host::ParameterDescription>& parameterDescriptions()
{
    static const std::vector<host::ParameterDescription> descriptions = [] {
        const EngineFloatingPointMode mode;
        return host::describeParameters(*createEngine());
    }();
    return descriptions;
}

std::string snakeCaseName(const std::string& engineName)
{
    std::string name;
    for (const char character : engineName)
    {
        if (std::isalnum(static_cast<unsigned char>(character)))
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name;
}

void checkSampleRate(std::int64_t sampleRate)
{
    if (sampleRate < 1 || sampleRate > kCorvexMaxSampleRate)
        throw tool::UsageError("sample_rate is " + std::to_string(sampleRate) + " Hz; 1 to " +
                               std::to_string(kCorvexMaxSampleRate) + " Hz are supported");
}

void MeterRows::addBlock(const float* meters, int frames, int channels)
{
    if (rowStart_ < 0)
    {
        rowStart_ = position_;
        std::copy(meters, meters + kNumMeters, row_);
    }
    else
    {
        for (int channel = 0; channel < channels; ++channel)
        {
            row_[kMeterGainReduction0 + channel] =
                std::min(row_[kMeterGainReduction0 + channel], meters[kMeterGainReduction0 + channel]);
            row_[kMeterInput0 + channel] = std::max(row_[kMeterInput0 + channel], meters[kMeterInput0 + channel]);
            row_[kMeterOutput0 + channel] = std::max(row_[kMeterOutput0 + channel], meters[kMeterOutput0 + channel]);
        }
    }
    position_ += frames;
    if (position_ % kGrid == 0)
        finishRow(channels);
}

void MeterRows::clearRows()
{
    positions.clear();
    gainReduction.clear();
    inputPeak.clear();
    outputPeak.clear();
}

void MeterRows::finishRow(int channels)
{
    if (rowStart_ < 0)
        return;
    positions.push_back(rowStart_);
    for (int channel = 0; channel < channels; ++channel)
    {
        gainReduction.push_back(row_[kMeterGainReduction0 + channel]);
        inputPeak.push_back(row_[kMeterInput0 + channel]);
        outputPeak.push_back(row_[kMeterOutput0 + channel]);
    }
    rowStart_ = -1;
}

struct CompressorCore::Stream
{
    std::unique_ptr<CorvexEngine> engine;
    std::unique_ptr<host::StreamRenderer> renderer;
    MeterRows meters;
    int sampleRate;
    int channels;
    bool keepLatency;
    bool metered;
    std::int64_t inputFrames = 0;
    std::vector<float> tail;
};

CompressorCore::CompressorCore()
{
    const EngineFloatingPointMode mode;
    engine_ = createEngine();
}

CompressorCore::~CompressorCore() = default;

void CompressorCore::set(const std::vector<ParameterText>& values)
{
    const EngineFloatingPointMode mode;
    std::vector<host::ParameterValue> parsed;
    for (const ParameterText& text : values)
    {
        const host::ParameterDescription& parameter = findParameter(text);
        if (containsParameter(parsed, parameter.id))
            throw host::ParameterTextError(text.label + ": \"" + parameter.name + "\" is given more than once");
        parsed.push_back({parameter.id, normalizedValue(*engine_, parameter, text)});
    }
    overrideSettings(settings_, parsed);
    if (stream_)
    {
        std::vector<host::AutomationPoint> points;
        for (const host::ParameterValue& value : parsed)
            points.push_back({stream_->inputFrames, value.parameterId, value.normalizedValue});
        stream_->renderer->addAutomation(points);
    }
}

void CompressorCore::loadPreset(const std::string& text, const std::string& source)
{
    const EngineFloatingPointMode mode;
    std::vector<host::ParameterValue> values = host::parsePreset(*engine_, parameterDescriptions(), text, source);
    overrideSettings(values, settings_);
    settings_ = std::move(values);
}

void CompressorCore::restore(const std::vector<host::ParameterValue>& settings)
{
    for (const host::ParameterValue& value : settings)
    {
        if (value.parameterId < 0 || value.parameterId >= kNumParameters ||
            !(value.normalizedValue >= 0.0f && value.normalizedValue <= 1.0f))
            throw tool::UsageError("a compressor's state holds parameter " + std::to_string(value.parameterId) +
                                   " at " + std::to_string(value.normalizedValue) +
                                   "; identifiers 0 to 19 and values 0 to 1 are possible");
    }
    settings_ = settings;
}

std::string CompressorCore::valueText(int parameterId) const
{
    const EngineFloatingPointMode mode;
    const host::ParameterDescription& parameter = parameterDescriptions().at(static_cast<std::size_t>(parameterId));
    const auto found = std::ranges::find(settings_, parameterId, &host::ParameterValue::parameterId);
    return host::valueTextFromNormalized(*engine_, parameter,
                                         found == settings_.end() ? parameter.defaultNormalizedValue
                                                                  : found->normalizedValue);
}

int CompressorCore::latencySamples(int sampleRate)
{
    checkSampleRate(sampleRate);
    const EngineFloatingPointMode mode;
    engine_->setSampleRate(sampleRate);
    return engine_->getLatencySamples();
}

std::vector<host::AutomationPoint> CompressorCore::parseAutomation(const std::vector<AutomationText>& points)
{
    const EngineFloatingPointMode mode;
    std::vector<host::AutomationPoint> parsed;
    for (const AutomationText& point : points)
    {
        const host::ParameterDescription& parameter = findParameter(point.parameter);
        if (point.position < 0)
            throw host::ParameterTextError(point.parameter.label + ": " + std::to_string(point.position) +
                                           " is not a position: a sample index from 0");
        parsed.push_back({point.position, parameter.id, normalizedValue(*engine_, parameter, point.parameter)});
    }
    std::ranges::stable_sort(parsed, {}, &host::AutomationPoint::positionSamples);
    return parsed;
}

std::vector<host::AutomationPoint> CompressorCore::parseAutomationFile(const std::string& text,
                                                                       const std::string& source, int sampleRate)
{
    const EngineFloatingPointMode mode;
    return host::parseAutomation(*engine_, parameterDescriptions(), text, sampleRate, source);
}

void CompressorCore::openStream(const Call& call, int channels, bool sideChain)
{
    auto stream = std::make_unique<Stream>();
    stream->engine = createEngine();
    stream->sampleRate = call.sampleRate;
    stream->channels = channels;
    stream->keepLatency = call.keepLatency;
    prepareEngine(*stream->engine, call.sampleRate, settings_, sideChain);
    stream->metered = call.meters;
    MeterRows& meters = stream->meters;
    host::BlockObserver observer;
    if (call.meters) // the meters cost a little: read only for a stream that asked for them
        observer = [&meters, channels](const float* values, int frames) { meters.addBlock(values, frames, channels); };
    stream->renderer = std::make_unique<host::StreamRenderer>(*stream->engine, channels,
                                                              host::RenderOptions{kGrid, call.keepLatency}, observer);
    stream_ = std::move(stream);
}

void CompressorCore::closeStream()
{
    stream_.reset();
}

int CompressorCore::streamChannels() const
{
    return stream_ ? stream_->channels : 0;
}

std::vector<float> CompressorCore::process(const AudioView& input, const AudioView* sideChain,
                                           std::vector<host::AutomationPoint> automation, const Call& call)
{
    const EngineFloatingPointMode mode;
    if (call.reset)
        closeStream();
    if (!stream_)
        openStream(call, input.channels, sideChain != nullptr);
    else if (stream_->sampleRate != call.sampleRate || stream_->channels != input.channels ||
             stream_->keepLatency != call.keepLatency)
        throw tool::UsageError("the open stream has " + std::to_string(stream_->channels) + " channel(s) at " +
                               std::to_string(stream_->sampleRate) + " Hz, keep_latency=" +
                               (stream_->keepLatency ? "True" : "False") +
                               "; call flush() or reset() before starting another");
    requireMeters(call.meters);
    Stream& stream = *stream_;
    stream.meters.clearRows();
    for (host::AutomationPoint& point : automation)
        point.positionSamples += stream.inputFrames;
    stream.renderer->addAutomation(automation);

    // One render call: the output goes straight into the vector handed to Python.
    std::vector<float> output;
    output.reserve(static_cast<std::size_t>((input.frames + kGrid) * input.channels));
    stream.renderer->render(input.samples, sideChain ? sideChain->samples : nullptr,
                            sideChain ? sideChain->channels : 0, input.frames, output);
    stream.inputFrames += input.frames;
    if (call.reset)
    {
        stream.renderer->flush(stream.tail);
        output.insert(output.end(), stream.tail.begin(), stream.tail.end());
        stream.meters.finishRow(stream.channels);
    }
    if (call.meters)
        meters_ = stream.meters;
    if (call.reset)
        closeStream();
    return output;
}

void CompressorCore::requireMeters(bool meters) const
{
    if (meters && !stream_->metered)
        throw tool::UsageError("the open stream started without meters=True; ask for meters from its first call");
}

std::vector<float> CompressorCore::flush(bool meters)
{
    std::vector<float> output;
    if (!stream_)
        return output;
    requireMeters(meters);
    const EngineFloatingPointMode mode;
    stream_->meters.clearRows();
    stream_->renderer->flush(output);
    stream_->meters.finishRow(stream_->channels);
    meters_ = stream_->meters;
    closeStream();
    return output;
}

FileResult processFile(std::vector<host::ParameterValue> settings, const FileJob& job)
{
    const EngineFloatingPointMode mode;
    tool::requireSeparateOutputs({{"in_path", job.input}, {"sidechain", job.sideChain}},
                                 {{"out_path", job.output}});
    tool::AudioFileReader input(job.input);
    std::unique_ptr<tool::AudioFileReader> sideChain;
    if (!job.sideChain.empty())
    {
        sideChain = std::make_unique<tool::AudioFileReader>(job.sideChain);
        checkSideChain(input, *sideChain);
    }
    const std::unique_ptr<CorvexEngine> engine = createEngine();
    const std::vector<host::AutomationPoint> automation =
        job.automationText.empty() ? job.automation
                                   : host::parseAutomation(*engine, parameterDescriptions(), job.automationText,
                                                           input.sampleRate(), job.automationSource);
    const int channels = input.channels();
    tool::AudioFileWriter output(
        job.output, tool::outputFormat(job.output, job.format, input.format(), channels, input.sampleRate()),
        channels, input.sampleRate());
    prepareEngine(*engine, input.sampleRate(), std::move(settings), sideChain != nullptr);
    host::StreamRenderer renderer(*engine, channels, {kGrid, job.keepLatency}, {}, automation);

    std::vector<float> inputChunk;
    std::vector<float> sideChainChunk;
    std::vector<float> outputChunk;
    while (const std::int64_t frames = input.read(inputChunk, kChunkFrames))
    {
        if (sideChain)
        {
            const std::int64_t got = sideChain->read(sideChainChunk, frames);
            std::fill(sideChainChunk.begin() + got * sideChain->channels(), sideChainChunk.end(), 0.0f);
        }
        renderer.render(inputChunk.data(), sideChain ? sideChainChunk.data() : nullptr,
                        sideChain ? sideChain->channels() : 0, frames, outputChunk);
        output.write(outputChunk.data(), static_cast<std::int64_t>(outputChunk.size()) / channels);
    }
    renderer.flush(outputChunk);
    output.write(outputChunk.data(), static_cast<std::int64_t>(outputChunk.size()) / channels);
    output.finish();
    const auto late = std::ranges::count_if(
        automation, [&](const host::AutomationPoint& point) { return point.positionSamples >= input.frames(); });
    return {input.frames(), input.sampleRate(), channels, late};
}

EngineRun runEngineAlone(const std::vector<host::ParameterValue>& settings, const AudioView& input, int sampleRate,
                         bool readMeters)
{
    const EngineFloatingPointMode mode;
    const std::unique_ptr<CorvexEngine> engine = createEngine();
    prepareEngine(*engine, sampleRate, settings, false);
    const int channels = input.channels;
    const std::size_t frames = static_cast<std::size_t>(input.frames);
    std::vector<std::vector<float>> in(static_cast<std::size_t>(channels), std::vector<float>(frames));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(channels), std::vector<float>(frames));
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        for (int channel = 0; channel < channels; ++channel)
            in[static_cast<std::size_t>(channel)][frame] = input.samples[frame * static_cast<std::size_t>(channels) +
                                                                         static_cast<std::size_t>(channel)];
    }
    EngineRun run;
    run.meters.reserve(readMeters ? (frames / kGrid + 1) * kNumMeters : 0);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t done = 0; done < frames; done += kGrid)
    {
        const int count = static_cast<int>(std::min<std::size_t>(kGrid, frames - done));
        const float* inputs[kCorvexMaxNumChannels];
        float* outputs[kCorvexMaxNumChannels];
        for (std::size_t channel = 0; channel < static_cast<std::size_t>(channels); ++channel)
        {
            inputs[channel] = in[channel].data() + done;
            outputs[channel] = out[channel].data() + done;
        }
        engine->process(inputs, outputs, nullptr, channels, count);
        for (int meter = 0; readMeters && meter < kNumMeters; ++meter)
            run.meters.push_back(engine->getMeterValue(meter));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.output.resize(frames * static_cast<std::size_t>(channels));
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        for (int channel = 0; channel < channels; ++channel)
            run.output[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)] =
                out[static_cast<std::size_t>(channel)][frame];
    }
    return run;
}

} // namespace corvex::python
