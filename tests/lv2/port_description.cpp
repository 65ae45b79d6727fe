#include "tests/lv2/port_description.h"

#include <lv2/core/lv2.h>
#include <lv2/units/units.h>

#include <algorithm>

namespace corvex::testing
{

namespace
{

std::optional<float> numberOf(LilvNode* node)
{
    std::optional<float> value;
    if (node != nullptr && (lilv_node_is_float(node) || lilv_node_is_int(node)))
        value = lilv_node_as_float(node);
    lilv_node_free(node);
    return value;
}

std::set<std::string> urisOf(LilvNodes* nodes)
{
    std::set<std::string> uris;
    LILV_FOREACH (nodes, iterator, nodes)
        uris.insert(lilv_node_as_uri(lilv_nodes_get(nodes, iterator)));
    lilv_nodes_free(nodes);
    return uris;
}

std::string firstUri(const LilvPlugin* plugin, const LilvPort* port, const LilvNode* predicate)
{
    const std::set<std::string> uris = urisOf(lilv_port_get_value(plugin, port, predicate));
    return uris.empty() ? std::string() : *uris.begin();
}

} // namespace

PortDescription describePort(Lv2Bundle& bundle, const LilvPlugin* plugin, std::uint32_t index)
{
    const LilvPort* const port = lilv_plugin_get_port_by_index(plugin, index);
    PortDescription description;
    description.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
    LilvNode* const name = lilv_port_get_name(plugin, port);
    description.name = lilv_node_as_string(name);
    lilv_node_free(name);
    const LilvNodes* const classes = lilv_port_get_classes(plugin, port);
    LILV_FOREACH (nodes, iterator, classes)
        description.types.insert(lilv_node_as_uri(lilv_nodes_get(classes, iterator)));
    description.properties = urisOf(lilv_port_get_properties(plugin, port));

    LilvNode* defaultValue = nullptr;
    LilvNode* minimum = nullptr;
    LilvNode* maximum = nullptr;
    lilv_port_get_range(plugin, port, &defaultValue, &minimum, &maximum);
    description.defaultValue = numberOf(defaultValue);
    description.minimum = numberOf(minimum);
    description.maximum = numberOf(maximum);
    description.unit = firstUri(plugin, port, bundle.uri(LV2_UNITS__unit));
    description.designation = firstUri(plugin, port, bundle.uri(LV2_CORE__designation));

    if (LilvScalePoints* const points = lilv_port_get_scale_points(plugin, port))
    {
        LILV_FOREACH (scale_points, iterator, points)
        {
            const LilvScalePoint* const point = lilv_scale_points_get(points, iterator);
            description.scalePoints.emplace_back(lilv_node_as_float(lilv_scale_point_get_value(point)),
                                                 lilv_node_as_string(lilv_scale_point_get_label(point)));
        }
        lilv_scale_points_free(points);
        std::ranges::sort(description.scalePoints);
    }
    return description;
}

} // namespace corvex::testing
