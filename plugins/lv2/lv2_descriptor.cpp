// The bundle's entry point: one LV2 descriptor per plug-in variant, whose
// callbacks forward to PluginInstance.
#include "plugins/lv2/plugin_instance.h"
#include "plugins/lv2/plugin_variants.h"

#include <lv2/core/lv2.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>

namespace corvex::lv2
{

namespace
{

PluginInstance* instanceOf(LV2_Handle handle)
{
    return static_cast<PluginInstance*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char*, const LV2_Feature* const*);

void connectPort(LV2_Handle handle, std::uint32_t port, void* data)
{
    instanceOf(handle)->connectPort(port, data);
}

void activate(LV2_Handle handle)
{
    instanceOf(handle)->activate();
}

void run(LV2_Handle handle, std::uint32_t numFrames)
{
    instanceOf(handle)->run(numFrames);
}

void cleanup(LV2_Handle handle)
{
    delete instanceOf(handle);
}

const void* extensionData(const char*)
{
    return nullptr;
}

constexpr LV2_Descriptor makeDescriptor(const PluginVariant& variant)
{
    return {variant.uri, instantiate, connectPort, activate, run, nullptr, cleanup, extensionData};
}

constexpr std::array<LV2_Descriptor, kPluginVariants.size()> kDescriptors{
    makeDescriptor(kPluginVariants[0]), makeDescriptor(kPluginVariants[1])};

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char*, const LV2_Feature* const*)
{
    const PluginVariant& variant = kPluginVariants[static_cast<std::size_t>(descriptor - kDescriptors.data())];
    try
    {
        return PluginInstance::create(variant.numChannels, sampleRate).release();
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

} // namespace

} // namespace corvex::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index)
{
    const auto& descriptors = corvex::lv2::kDescriptors;
    return index < descriptors.size() ? &descriptors[index] : nullptr;
}
