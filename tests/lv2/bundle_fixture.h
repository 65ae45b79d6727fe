#pragma once

#include "plugins/lv2/plugin_variants.h"
#include "tests/lv2/lilv_host.h"
#include "tests/lv2/variant_name.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvex::testing
{

// The built bundle loaded once for all tests of a suite; the tests run once per
// plug-in variant (mono and stereo).
class BundleTest : public ::testing::TestWithParam<lv2::PluginVariant>
{
protected:
    static void SetUpTestSuite() { bundle_ = std::make_unique<Lv2Bundle>(CORVEX_LV2_BUNDLE_DIR); }
    static void TearDownTestSuite() { bundle_.reset(); }

    static Lv2Bundle& bundle() { return *bundle_; }
    const lv2::PluginVariant& variant() const { return GetParam(); }
    const LilvPlugin* plugin() const { return bundle_->plugin(variant().uri); }

private:
    static inline std::unique_ptr<Lv2Bundle> bundle_;
};

} // namespace corvex::testing
