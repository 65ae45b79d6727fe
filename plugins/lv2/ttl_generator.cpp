// Build-time program that writes the bundle's Turtle files from the engine
// itself, so that port names, ranges, defaults, units and value texts are
// always the engine's own.
//
// Usage: corvex_lv2_ttl_generator BUNDLE_DIRECTORY BINARY_FILE_NAME
#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "plugins/lv2/meter_level.h"
#include "plugins/lv2/plugin_variants.h"
#include "plugins/lv2/port_layout.h"
#include "plugins/lv2/port_values.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using corvex::host::ParameterDescription;
using corvex::host::ParameterKind;
using corvex::lv2::PluginVariant;
using corvex::lv2::PortLayout;

constexpr const char* kPrefixes = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";

// LV2 units of the engine's unit texts; a unit missing here stops the build.
const std::map<std::string, std::string> kUnits{
    {"dB", "units:db"}, {"%", "units:pc"}, {"ms", "units:ms"}, {"Hz", "units:hz"}};

std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (const char character : text)
    {
        if (character == '"' || character == '\\')
            result += '\\';
        result += character;
    }
    return result + '"';
}

// The shortest decimal that reads back as exactly this float.
std::string number(float value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

// A port symbol from an engine name: "Dry / Wet" becomes "dry_wet".
std::string symbolFromName(const std::string& name)
{
    std::string symbol;
    bool separate = false;
    for (const unsigned char character : name)
    {
        if (!std::isalnum(character))
        {
            separate = !symbol.empty();
            continue;
        }
        if (separate)
            symbol += '_';
        symbol += static_cast<char>(std::tolower(character));
        separate = false;
    }
    return symbol;
}

// Text after a channel's name and symbol: none for mono, " L"/" R" and "_l"/"_r" for stereo.
struct ChannelSuffix
{
    std::string name;
    std::string symbol;
};

ChannelSuffix channelSuffix(const PluginVariant& variant, int channel)
{
    if (variant.numChannels == 1)
        return {};
    return channel == 0 ? ChannelSuffix{" L", "_l"} : ChannelSuffix{" R", "_r"};
}

// Writes the port blank nodes of one plug-in; every port starts with its index and names.
class PortWriter
{
public:
    explicit PortWriter(std::ostream& out) : out_(out) {}

    void begin(const char* types, std::uint32_t index, const std::string& symbol, const std::string& name)
    {
        if (!symbols_.insert(symbol).second)
            throw std::runtime_error("two ports share the symbol " + symbol);
        out_ << (symbols_.size() == 1 ? "    lv2:port [\n" : " , [\n");
        out_ << "        a " << types << " ;\n"
             << "        lv2:index " << index << " ;\n"
             << "        lv2:symbol " << quoted(symbol) << " ;\n"
             << "        lv2:name " << quoted(name);
    }

    void property(const std::string& predicate, const std::string& object)
    {
        out_ << " ;\n        " << predicate << ' ' << object;
    }

    void scalePoints(const std::vector<corvex::host::ParameterChoice>& choices)
    {
        out_ << " ;\n        lv2:scalePoint";
        for (std::size_t index = 0; index < choices.size(); ++index)
        {
            out_ << (index == 0 ? " " : " , ") << "[ rdfs:label " << quoted(choices[index].text) << " ; rdf:value "
                 << index << " ]";
        }
    }

    void end() { out_ << "\n    ]"; }

private:
    std::ostream& out_;
    std::set<std::string> symbols_;
};

void writeControlInput(PortWriter& ports, CorvexEngine& engine, const ParameterDescription& description)
{
    const corvex::lv2::PortRange range = corvex::lv2::portRange(description);
    ports.begin("lv2:InputPort , lv2:ControlPort", PortLayout::control(description.id), symbolFromName(description.name),
                description.name);
    ports.property("lv2:default",
                   number(corvex::lv2::portValueFromNormalized(engine, description, description.defaultNormalizedValue)));
    ports.property("lv2:minimum", number(range.minimum));
    ports.property("lv2:maximum", number(range.maximum));
    if (!description.unit.empty())
    {
        const auto unit = kUnits.find(description.unit);
        if (unit == kUnits.end())
            throw std::runtime_error("no LV2 unit for \"" + description.unit + "\"");
        ports.property("units:unit", unit->second);
    }
    if (description.kind == ParameterKind::Switch)
        ports.property("lv2:portProperty", "lv2:toggled");
    if (description.kind == ParameterKind::Choice)
        ports.property("lv2:portProperty", "lv2:integer , lv2:enumeration");
    if (description.kind != ParameterKind::Continuous)
        ports.scalePoints(description.choices);
    ports.end();
}

void writeLatencyOutput(PortWriter& ports, int maxLatencySamples)
{
    ports.begin("lv2:OutputPort , lv2:ControlPort", PortLayout::latency(), "latency", "Latency");
    ports.property("lv2:minimum", "0");
    ports.property("lv2:maximum", std::to_string(maxLatencySamples));
    ports.property("units:unit", "units:frame");
    ports.property("lv2:designation", "lv2:latency");
    ports.property("lv2:portProperty", "lv2:reportsLatency , lv2:integer , lv2:connectionOptional");
    ports.end();
}

void writeMeterOutput(PortWriter& ports, std::uint32_t index, const std::string& symbol, const std::string& name,
                      float maximumDb)
{
    ports.begin("lv2:OutputPort , lv2:ControlPort", index, symbol, name);
    ports.property("lv2:minimum", number(corvex::lv2::kMeterFloorDb));
    ports.property("lv2:maximum", number(maximumDb));
    ports.property("units:unit", "units:db");
    ports.property("lv2:portProperty", "lv2:connectionOptional");
    ports.end();
}

void writeAudio(PortWriter& ports, const char* types, std::uint32_t index, const std::string& symbol,
                const std::string& name, bool sideChain)
{
    ports.begin(types, index, symbol, name);
    if (sideChain)
        ports.property("lv2:portProperty", "lv2:isSideChain , lv2:connectionOptional");
    ports.end();
}

struct Version
{
    int minor;
    int micro;
};

Version engineVersion(CorvexEngine& engine)
{
    int major = 0;
    Version version{};
    if (std::sscanf(engine.getVersion(), "%d.%d.%d", &major, &version.minor, &version.micro) != 3)
        throw std::runtime_error(std::string("unreadable engine version ") + engine.getVersion());
    return version;
}

void writePlugin(std::ostream& out, const PluginVariant& variant, CorvexEngine& engine,
                 const std::vector<ParameterDescription>& descriptions, int maxLatencySamples)
{
    const Version version = engineVersion(engine);
    out << '<' << variant.uri << ">\n"
        << "    a lv2:Plugin , lv2:CompressorPlugin ;\n"
        << "    doap:name " << quoted(variant.name) << " ;\n"
        << "    lv2:minorVersion " << version.minor << " ;\n"
        << "    lv2:microVersion " << version.micro << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable ;\n";

    const PortLayout layout{variant.numChannels};
    PortWriter ports(out);
    for (const ParameterDescription& description : descriptions)
        writeControlInput(ports, engine, description);
    writeLatencyOutput(ports, maxLatencySamples);
    struct MeterGroup
    {
        std::uint32_t (PortLayout::*index)(int) const;
        const char* symbol;
        const char* name;
        float maximumDb;
    };
    const MeterGroup meterGroups[] = {
        {&PortLayout::gainReductionMeter, "gain_reduction", "Gain Reduction", 0.0f},
        {&PortLayout::inputMeter, "input_peak", "Input Peak", corvex::lv2::kMeterCeilingDb},
        {&PortLayout::outputMeter, "output_peak", "Output Peak", corvex::lv2::kMeterCeilingDb},
    };
    for (const MeterGroup& group : meterGroups)
    {
        for (int channel = 0; channel < variant.numChannels; ++channel)
        {
            const ChannelSuffix suffix = channelSuffix(variant, channel);
            writeMeterOutput(ports, (layout.*group.index)(channel), group.symbol + suffix.symbol,
                             group.name + suffix.name, group.maximumDb);
        }
    }
    for (int channel = 0; channel < variant.numChannels; ++channel)
    {
        const ChannelSuffix suffix = channelSuffix(variant, channel);
        writeAudio(ports, "lv2:InputPort , lv2:AudioPort", layout.audioInput(channel), "in" + suffix.symbol,
                   "Input" + suffix.name, false);
    }
    for (int channel = 0; channel < variant.numChannels; ++channel)
    {
        const ChannelSuffix suffix = channelSuffix(variant, channel);
        writeAudio(ports, "lv2:OutputPort , lv2:AudioPort", layout.audioOutput(channel), "out" + suffix.symbol,
                   "Output" + suffix.name, false);
    }
    for (int channel = 0; channel < variant.numChannels; ++channel)
    {
        const ChannelSuffix suffix = channelSuffix(variant, channel);
        writeAudio(ports, "lv2:InputPort , lv2:AudioPort", layout.sideChainInput(channel),
                   "sidechain_in" + suffix.symbol, "Side-chain Input" + suffix.name, true);
    }
    out << " .\n\n";
}

void writeManifest(const std::filesystem::path& path, const std::string& binaryName)
{
    std::ofstream out(path);
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n";
    for (const PluginVariant& variant : corvex::lv2::kPluginVariants)
    {
        out << '<' << variant.uri << ">\n"
            << "    a lv2:Plugin ;\n"
            << "    lv2:binary <" << binaryName << "> ;\n"
            << "    rdfs:seeAlso <corvex.ttl> .\n\n";
    }
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

void writePlugins(const std::filesystem::path& path)
{
    const std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    const std::vector<ParameterDescription> descriptions = corvex::host::describeParameters(*engine);
    engine->setSampleRate(kCorvexMaxSampleRate);
    const int maxLatencySamples = engine->getLatencySamples();

    std::ofstream out(path);
    out << kPrefixes;
    for (const PluginVariant& variant : corvex::lv2::kPluginVariants)
        writePlugin(out, variant, *engine, descriptions, maxLatencySamples);
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: " << argv[0] << " BUNDLE_DIRECTORY BINARY_FILE_NAME\n";
        return 2;
    }
    try
    {
        const std::filesystem::path bundle(argv[1]);
        writeManifest(bundle / "manifest.ttl", argv[2]);
        writePlugins(bundle / "corvex.ttl");
    }
    catch (const std::exception& error)
    {
        std::cerr << argv[0] << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
