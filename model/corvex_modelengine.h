#pragma once

#include "corvex_engine.h"
#include "model/parameter_snapshot.h"
#include "model/snapshot_exchange.h"

#include <atomic>
#include <cstdint>

namespace corvex
{

struct ModelState;
struct ParameterValues;

// The engine behind the public interface: owns the signal-path state and the
// snapshot exchange that hands parameter changes to the audio side; checks the
// arguments of every call and converts the host's samples.
class CorvexPrivateEngine final : public CorvexEngine
{
public:
    CorvexPrivateEngine();
    ~CorvexPrivateEngine() override;
    CorvexPrivateEngine(const CorvexPrivateEngine&) = delete;
    CorvexPrivateEngine& operator=(const CorvexPrivateEngine&) = delete;

    const char* getVersion() override;
    void resetParameters() override;
    void setSampleRate(int inSampleRate) override;
    void setNormalizedValue(int inParameterId, float inNormalizedValue) override;
    float getNormalizedValue(int inParameterId) override;
    void getParameterUnit(int inParameterId, char* outText, int inMaxLength) override;
    float getDisplayValue(int inParameterId, float inNormalizedValue) override;
    float getCurrentDisplayValue(int inParameterId) override;
    void getValueText(int inParameterId, float inNormalizedValue, char* outText, int inMaxLength) override;
    void getCurrentValueText(int inParameterId, char* outText, int inMaxLength) override;
    void getParameterName(int inParameterId, char* outText, int inMaxLength) override;
    void process(const float* const* inBuffer, float* const* outBuffer, const float* const* sideChainBuffer,
                 int inNumChannels, int inNumSamples) override;
    float getMeterValue(int inMeterId) override;
    int getLatencySamples() override;

    // Copies the published snapshot under the lock, as the audio side does at the
    // start of every block: spinning briefly before it blocks.
    void copyPublishedSnapshot(ParameterSnapshot& destination);
    // Whether the published and edit buffers hold identical bytes (taken under the lock).
    bool snapshotBuffersAgree();

private:
    ParameterValues currentValues() const;

    // Declared first: built before the signal-path state, released after it.
    SnapshotExchange snapshots;
    ModelState* modelState;
    std::atomic<float> normalizedValues[kNumParameters];
    std::atomic<float> sampleRate;

    static_assert(std::atomic<float>::is_always_lock_free);
};

} // namespace corvex
