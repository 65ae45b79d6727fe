#pragma once

#include "engine/corvex_engine.h"
#include "libraries/host/automation_file.h"
#include "libraries/host/parameter_description.h"
#include "libraries/host/parameter_value_text.h"
#include "libraries/host/stream_renderer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvex::python
{

// Interleaved audio the caller owns: frames × channels floats.
struct AudioView
{
    const float* samples = nullptr;
    std::int64_t frames = 0;
    int channels = 0;
};

// A parameter value as written in Python: the key (snake-case name, engine name
// in any case, or identifier), the value as displayed ("12", "-14", "On") and
// the argument as the user wrote it, which starts any message about it.
struct ParameterText
{
    std::string key;
    std::string value;
    std::string label;
};

// An automation point as written in Python; the position counts samples of the call's input.
struct AutomationText
{
    std::int64_t position;
    ParameterText parameter;
};

// The engine's meters, one row per 32 samples of the stream counted from its
// first sample (the grid the engine is called on): the smallest gain, the
// largest input and output peak of the calls within, per channel, linear.
struct MeterRows
{
    std::vector<std::int64_t> positions;  // each row's first sample in the stream
    std::vector<float> gainReduction;     // rows × channels
    std::vector<float> inputPeak;
    std::vector<float> outputPeak;

    void addBlock(const float* meters, int frames, int channels);
    void finishRow(int channels); // the row in progress, at the stream's end
    void clearRows();             // the rows handed out; the row in progress stays

private:
    std::int64_t position_ = 0; // stream samples metered so far
    std::int64_t rowStart_ = -1; // the row in progress, -1 for none
    float row_[kNumMeters] = {};
};

// A file processed as `corvex process` does, through the tool's own reader and writer.
struct FileJob
{
    std::string input;
    std::string output;
    std::string sideChain;                        // empty: none
    std::string format;                           // as --format; empty: the input's encoding
    std::vector<host::AutomationPoint> automation; // from Python, positions in input samples
    std::string automationText;                   // from an automation file, read at the input's rate
    std::string automationSource;
    bool keepLatency = false;
};

struct FileResult
{
    std::int64_t frames;
    int sampleRate;
    int channels;
    std::int64_t ignoredPoints; // automation points at or after the input's end
};

// The parameters of the engine as the tool and the plug-ins read them, in identifier order.
const std::vector<host::ParameterDescription>& parameterDescriptions();

// "Input Gain" -> "input_gain", "Dry / Wet" -> "dry_wet".
std::string snakeCaseName(const std::string& engineName);

// Throws tool::UsageError unless the rate is one the engine takes.
void checkSampleRate(std::int64_t sampleRate);

// The compressor behind corvex.Compressor: its settings, in the order given
// (as the tool applies --preset, then --set), and the stream that process()
// calls continue. A stream runs on an engine of its own, made fresh when it
// starts, so every stream starts as `corvex process` does.
class CompressorCore
{
public:
    CompressorCore();
    ~CompressorCore();

    // Throws ParameterTextError "LABEL: ..." for an unknown key, a value the
    // parameter cannot take, or a parameter given twice. While a stream is open
    // the values also change it at the sample it has reached.
    void set(const std::vector<ParameterText>& values);
    // A preset's values, then those set before on top (preset_text.h's format).
    void loadPreset(const std::string& text, const std::string& source);
    const std::vector<host::ParameterValue>& settings() const { return settings_; }
    // Settings as normalized values (a pickled compressor); throws UsageError for values no engine takes.
    void restore(const std::vector<host::ParameterValue>& settings);
    // The parameter's value as displayed, read back to the same normalized value.
    std::string valueText(int parameterId) const;
    int latencySamples(int sampleRate);

    // Automation points of one call, sorted, positions relative to the call.
    std::vector<host::AutomationPoint> parseAutomation(const std::vector<AutomationText>& points);
    std::vector<host::AutomationPoint> parseAutomationFile(const std::string& text, const std::string& source,
                                                           int sampleRate);

    struct Call
    {
        int sampleRate;
        bool reset;       // a whole stream: fresh before, flushed after
        bool keepLatency;
        bool meters;
    };
    // Renders input (and sideChain of the same frames, or null), interleaved.
    // With reset the output has the input's length; otherwise it continues the
    // open stream (or opens one) and holds the blocks completed. Without the GIL.
    std::vector<float> process(const AudioView& input, const AudioView* sideChain,
                               std::vector<host::AutomationPoint> automation, const Call& call);
    // Ends the open stream: the waiting frames and the tail; empty when none is open.
    std::vector<float> flush(bool meters);
    void closeStream();
    int streamChannels() const;
    // The rows completed during the last process() or flush() call that asked for meters.
    const MeterRows& meters() const { return meters_; }

    // One caller at a time for the stream: the Python side holds it around the calls that release the GIL.
    bool tryAcquire() { return !inUse_.exchange(true); }
    void release() { inUse_.store(false); }

private:
    struct Stream;
    void openStream(const Call& call, int channels, bool sideChain);
    void requireMeters(bool meters) const; // a stream meters from its first call on, or not at all

    std::unique_ptr<CorvexEngine> engine_; // parses values; never processes
    std::vector<host::ParameterValue> settings_;
    std::unique_ptr<Stream> stream_;
    MeterRows meters_;
    std::atomic<bool> inUse_{false};
};

// Processes a file with these settings, reading and writing as the tool does
// (same formats, clipping, errors, nothing left behind on failure). Without the GIL.
FileResult processFile(std::vector<host::ParameterValue> settings, const FileJob& job);

// The engine alone over interleaved input, in 32-frame calls from its first
// sample and nothing else around them: the raw output (interleaved), the six
// meters after each call, and the seconds spent in process(). For the tests and
// the overhead benchmark.
struct EngineRun
{
    std::vector<float> output;
    std::vector<float> meters; // calls × kNumMeters
    double seconds;
};
EngineRun runEngineAlone(const std::vector<host::ParameterValue>& settings, const AudioView& input, int sampleRate,
                         bool readMeters);

} // namespace corvex::python
