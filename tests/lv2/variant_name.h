#pragma once

#include "plugins/lv2/plugin_variants.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace corvex::lv2
{

// How a variant shows in test output.
inline void PrintTo(const PluginVariant& variant, std::ostream* out)
{
    *out << variant.uri;
}

} // namespace corvex::lv2

namespace corvex::testing
{

// Test-name suffix of a parameterised test that runs once per plug-in variant.
inline std::string variantName(const ::testing::TestParamInfo<lv2::PluginVariant>& info)
{
    return info.param.numChannels == 1 ? "Mono" : "Stereo";
}

} // namespace corvex::testing
