#pragma once

#include "tests/lv2/lilv_host.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvex::testing
{

// Everything the bundle's Turtle files say about one port, as lilv reads it.
struct PortDescription
{
    std::string symbol;
    std::string name;
    std::set<std::string> types;      // rdf:type URIs (lv2:InputPort, lv2:AudioPort, ...)
    std::set<std::string> properties; // lv2:portProperty URIs
    std::optional<float> defaultValue;
    std::optional<float> minimum;
    std::optional<float> maximum;
    std::string unit;        // units:unit URI, empty when none
    std::string designation; // lv2:designation URI, empty when none
    std::vector<std::pair<float, std::string>> scalePoints; // (value, label) by rising value

    bool is(const std::string& typeUri) const { return types.contains(typeUri); }
    bool has(const std::string& propertyUri) const { return properties.contains(propertyUri); }
};

PortDescription describePort(Lv2Bundle& bundle, const LilvPlugin* plugin, std::uint32_t index);

} // namespace corvex::testing
