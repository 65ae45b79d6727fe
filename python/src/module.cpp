// corvex._corvex: the engine for Python. The public classes and their
// documentation live in the corvex package; this module holds what runs in C++.
#include "python/src/compressor_core.h"

#include "libraries/host/factory_presets.h"
#include "tools/corvex/usage_error.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <optional>
#include <tuple>

namespace py = pybind11;

namespace corvex::python
{

namespace
{

using FloatArray = py::array_t<float, py::array::c_style>;
// (key, value as displayed, label), as the corvex package writes a keyword argument.
using ParameterTuple = std::tuple<std::string, std::string, std::string>;
// (position, key, value as displayed, label)
using PointTuple = std::tuple<std::int64_t, std::string, std::string, std::string>;
// (text, source) of an automation file
using AutomationFile = std::optional<std::pair<std::string, std::string>>;

// One caller at a time on a compressor's stream; a second thread gets an exception, not a race.
class ExclusiveUse
{
public:
    explicit ExclusiveUse(CompressorCore& core) : core_(core)
    {
        if (!core_.tryAcquire())
            throw std::runtime_error("this corvex.Compressor is in use by another thread; give each thread its own "
                                     "(copy.copy(compressor) makes one with the same settings)");
    }
    ~ExclusiveUse() { core_.release(); }
    ExclusiveUse(const ExclusiveUse&) = delete;
    ExclusiveUse& operator=(const ExclusiveUse&) = delete;

private:
    CompressorCore& core_;
};

std::vector<ParameterText> parameterTexts(const std::vector<ParameterTuple>& values)
{
    std::vector<ParameterText> texts;
    for (const auto& [key, value, label] : values)
        texts.push_back({key, value, label});
    return texts;
}

std::vector<host::AutomationPoint> parsePoints(CompressorCore& core, const std::vector<PointTuple>& points,
                                               const AutomationFile& file, int sampleRate)
{
    if (file)
        return core.parseAutomationFile(file->first, file->second, sampleRate);
    std::vector<AutomationText> texts;
    for (const auto& [position, key, value, label] : points)
        texts.push_back({position, {key, value, label}});
    return core.parseAutomation(texts);
}

AudioView view(const FloatArray& audio)
{
    return {audio.data(), audio.shape(0), static_cast<int>(audio.shape(1))};
}

FloatArray frameArray(const float* samples, std::int64_t frames, int channels)
{
    FloatArray array({frames, static_cast<std::int64_t>(channels)});
    std::copy(samples, samples + frames * channels, array.mutable_data());
    return array;
}

// An array over the vector's own memory, which it keeps: no copy of a long output.
FloatArray ownedArray(std::unique_ptr<std::vector<float>> samples, int channels)
{
    const auto frames = static_cast<std::int64_t>(samples->size()) / channels;
    float* data = samples->data();
    py::capsule owner(samples.release(), [](void* vector) { delete static_cast<std::vector<float>*>(vector); });
    return FloatArray({frames, static_cast<std::int64_t>(channels)}, data, owner);
}

// (positions, gain reduction, input peak, output peak) of the rows handed out last.
py::tuple meterArrays(const MeterRows& rows, int channels)
{
    const auto rowCount = static_cast<std::int64_t>(rows.positions.size());
    py::array_t<std::int64_t> positions(rowCount);
    std::ranges::copy(rows.positions, positions.mutable_data());
    return py::make_tuple(positions, frameArray(rows.gainReduction.data(), rowCount, channels),
                          frameArray(rows.inputPeak.data(), rowCount, channels),
                          frameArray(rows.outputPeak.data(), rowCount, channels));
}

py::tuple process(CompressorCore& core, const FloatArray& input, std::int64_t sampleRate,
                  const std::optional<FloatArray>& sideChain, const std::vector<PointTuple>& points,
                  const AutomationFile& automationFile, bool reset, bool keepLatency, bool meters)
{
    const ExclusiveUse use(core);
    checkSampleRate(sampleRate);
    const CompressorCore::Call call{static_cast<int>(sampleRate), reset, keepLatency, meters};
    std::vector<host::AutomationPoint> automation = parsePoints(core, points, automationFile, call.sampleRate);
    const AudioView in = view(input);
    const auto late = std::ranges::remove_if(
        automation, [&](const host::AutomationPoint& point) { return point.positionSamples >= in.frames; });
    const auto ignored = static_cast<std::int64_t>(late.size());
    automation.erase(late.begin(), late.end());

    const std::optional<AudioView> side = sideChain ? std::optional(view(*sideChain)) : std::nullopt;
    auto output = std::make_unique<std::vector<float>>();
    {
        py::gil_scoped_release release;
        *output = core.process(in, side ? &*side : nullptr, std::move(automation), call);
    }
    py::object result = ownedArray(std::move(output), in.channels);
    return py::make_tuple(result, ignored, meters ? py::object(meterArrays(core.meters(), in.channels)) : py::none());
}

py::tuple flush(CompressorCore& core, bool meters)
{
    const ExclusiveUse use(core);
    const int channels = std::max(core.streamChannels(), 1);
    const std::vector<float> output = core.flush(meters);
    const auto frames = static_cast<std::int64_t>(output.size()) / channels;
    return py::make_tuple(frameArray(output.data(), frames, channels),
                          meters ? py::object(meterArrays(core.meters(), channels)) : py::none());
}

py::dict processFileJob(CompressorCore& core, const std::string& input, const std::string& output,
                        const std::string& sideChain, const std::vector<PointTuple>& points,
                        const AutomationFile& automationFile, bool keepLatency, const std::string& format)
{
    FileJob job{input, output, sideChain, format, {}, {}, {}, keepLatency};
    if (automationFile)
        std::tie(job.automationText, job.automationSource) = *automationFile;
    else
        job.automation = parsePoints(core, points, std::nullopt, 0);
    std::vector<host::ParameterValue> settings = core.settings();
    FileResult result;
    {
        py::gil_scoped_release release;
        result = processFile(std::move(settings), job);
    }
    py::dict summary;
    summary["frames"] = result.frames;
    summary["sample_rate"] = result.sampleRate;
    summary["channels"] = result.channels;
    summary["ignored_points"] = result.ignoredPoints;
    return summary;
}

// The parameters in a corvex.Compressor: (key, value) with the value as displayed, a number or a text.
py::list values(const CompressorCore& core, bool onlyThoseSet)
{
    py::list list;
    std::vector<int> ids;
    for (const host::ParameterValue& value : core.settings())
        ids.push_back(value.parameterId);
    if (!onlyThoseSet)
    {
        ids.clear();
        for (int id = 0; id < kNumParameters; ++id)
            ids.push_back(id);
    }
    for (const int id : ids)
    {
        const host::ParameterDescription& parameter = parameterDescriptions()[static_cast<std::size_t>(id)];
        const std::string text = core.valueText(id);
        py::object value = py::str(text);
        if (parameter.kind == host::ParameterKind::Continuous)
            value = py::float_(*host::parseNumber(text, parameter.unit));
        list.append(py::make_tuple(snakeCaseName(parameter.name), value));
    }
    return list;
}

py::tuple engineAlone(const CompressorCore& core, const FloatArray& input, std::int64_t sampleRate, bool readMeters)
{
    checkSampleRate(sampleRate);
    const AudioView in = view(input);
    EngineRun run;
    {
        py::gil_scoped_release release;
        run = runEngineAlone(core.settings(), in, static_cast<int>(sampleRate), readMeters);
    }
    return py::make_tuple(frameArray(run.output.data(), in.frames, in.channels),
                          frameArray(run.meters.data(), static_cast<std::int64_t>(run.meters.size()) / kNumMeters,
                                     kNumMeters),
                          run.seconds);
}

} // namespace

} // namespace corvex::python

PYBIND11_MODULE(_corvex, module)
{
    using namespace corvex::python;
    using corvex::host::ParameterTextError;
    using corvex::tool::UsageError;

    // The tool's one-line messages about the user's input become ValueError.
    py::register_exception_translator([](std::exception_ptr error) {
        try
        {
            if (error)
                std::rethrow_exception(error);
        }
        catch (const UsageError& usage)
        {
            PyErr_SetString(PyExc_ValueError, usage.what());
        }
        catch (const ParameterTextError& text)
        {
            PyErr_SetString(PyExc_ValueError, text.what());
        }
    });

    module.def("parameter_names", [] {
        std::vector<std::string> names;
        for (const corvex::host::ParameterDescription& parameter : parameterDescriptions())
            names.push_back(snakeCaseName(parameter.name));
        return names;
    });
    module.def("factory_presets", [] {
        std::vector<std::string> names;
        for (const corvex::host::FactoryPreset& preset : corvex::host::factoryPresets())
            names.emplace_back(preset.name);
        return names;
    });
    module.def("factory_preset", [](const std::string& name) -> std::optional<std::pair<std::string, std::string>> {
        const corvex::host::FactoryPreset* preset = corvex::host::findFactoryPreset(name);
        if (preset == nullptr)
            return std::nullopt;
        return std::pair<std::string, std::string>(preset->name, preset->text);
    });
    module.attr("__version__") = CORVEX_VERSION;

    py::class_<CompressorCore>(module, "Core")
        .def(py::init<>())
        .def("set",
             [](CompressorCore& core, const std::vector<ParameterTuple>& values) {
                 const ExclusiveUse use(core);
                 core.set(parameterTexts(values));
             })
        .def("load_preset",
             [](CompressorCore& core, const std::string& text, const std::string& source) {
                 const ExclusiveUse use(core);
                 core.loadPreset(text, source);
             })
        .def("settings",
             [](const CompressorCore& core) {
                 std::vector<std::pair<int, float>> settings;
                 for (const corvex::host::ParameterValue& value : core.settings())
                     settings.emplace_back(value.parameterId, value.normalizedValue);
                 return settings;
             })
        .def("restore",
             [](CompressorCore& core, const std::vector<std::pair<int, float>>& settings) {
                 const ExclusiveUse use(core);
                 std::vector<corvex::host::ParameterValue> values;
                 for (const auto& [id, value] : settings)
                     values.push_back({id, value});
                 core.restore(values);
             })
        .def("values", &values)
        .def("latency_samples", [](CompressorCore& core, std::int64_t sampleRate) {
            checkSampleRate(sampleRate);
            return core.latencySamples(static_cast<int>(sampleRate));
        })
        .def("process", &process)
        .def("flush", &flush)
        .def("reset",
             [](CompressorCore& core) {
                 const ExclusiveUse use(core);
                 core.closeStream();
             })
        .def("process_file", &processFileJob)
        .def("engine_alone", &engineAlone);
}
