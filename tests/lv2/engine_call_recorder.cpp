// Defines createCorvexEngine in the test executable, which the dynamic linker
// then prefers for the plug-in as well; it creates the engine of the library
// that the plug-in loads and wraps it in a recorder of the calls made to it.
#include "tests/lv2/engine_call_recorder.h"

#include <dlfcn.h>

#include <algorithm>
#include <memory>

namespace corvex::testing
{

namespace
{

EngineCalls* lastCalls = nullptr;

class RecordingEngine final : public CorvexEngine
{
public:
    explicit RecordingEngine(CorvexEngine* engine) : engine_(engine) { lastCalls = &calls_; }
    ~RecordingEngine() override
    {
        if (lastCalls == &calls_)
            lastCalls = nullptr;
    }

    const char* getVersion() override { return engine_->getVersion(); }
    void resetParameters() override { engine_->resetParameters(); }
    void setSampleRate(int inSampleRate) override { engine_->setSampleRate(inSampleRate); }
    void setNormalizedValue(int inParameterId, float inNormalizedValue) override
    {
        if (inParameterId >= 0 && inParameterId < kNumParameters)
            ++calls_.parameterChanges[inParameterId];
        engine_->setNormalizedValue(inParameterId, inNormalizedValue);
    }
    float getNormalizedValue(int inParameterId) override { return engine_->getNormalizedValue(inParameterId); }
    void getParameterUnit(int inParameterId, char* outText, int inMaxLength) override
    {
        engine_->getParameterUnit(inParameterId, outText, inMaxLength);
    }
    float getDisplayValue(int inParameterId, float inNormalizedValue) override
    {
        return engine_->getDisplayValue(inParameterId, inNormalizedValue);
    }
    float getCurrentDisplayValue(int inParameterId) override { return engine_->getCurrentDisplayValue(inParameterId); }
    void getValueText(int inParameterId, float inNormalizedValue, char* outText, int inMaxLength) override
    {
        engine_->getValueText(inParameterId, inNormalizedValue, outText, inMaxLength);
    }
    void getCurrentValueText(int inParameterId, char* outText, int inMaxLength) override
    {
        engine_->getCurrentValueText(inParameterId, outText, inMaxLength);
    }
    void getParameterName(int inParameterId, char* outText, int inMaxLength) override
    {
        engine_->getParameterName(inParameterId, outText, inMaxLength);
    }
    void process(const float* const* inBuffer, float* const* outBuffer, const float* const* sideChainBuffer,
                 int inNumChannels, int inNumSamples) override
    {
        calls_.smallestProcessCall = calls_.processCalls == 0 ? inNumSamples : std::min(calls_.smallestProcessCall, inNumSamples);
        calls_.largestProcessCall = std::max(calls_.largestProcessCall, inNumSamples);
        ++calls_.processCalls;
        calls_.processedFrames += static_cast<std::size_t>(std::max(inNumSamples, 0));
        engine_->process(inBuffer, outBuffer, sideChainBuffer, inNumChannels, inNumSamples);
    }
    float getMeterValue(int inMeterId) override { return engine_->getMeterValue(inMeterId); }
    int getLatencySamples() override { return engine_->getLatencySamples(); }

private:
    const std::unique_ptr<CorvexEngine> engine_;
    EngineCalls calls_;
};

} // namespace

EngineCalls& lastCreatedEngineCalls()
{
    return *lastCalls;
}

} // namespace corvex::testing

extern "C" CORVEX_ENGINE_EXPORT CorvexEngine* createCorvexEngine()
{
    using Factory = CorvexEngine* (*)();
    static const auto libraryFactory =
        reinterpret_cast<Factory>(dlsym(dlopen(CORVEX_ENGINE_LIBRARY, RTLD_NOW | RTLD_LOCAL), "createCorvexEngine"));
    return new corvex::testing::RecordingEngine(libraryFactory());
}
