#pragma once

#include "corvex_engine.h"
#include "model/parameter_snapshot.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace corvex
{

struct ModelState;
struct ParameterValues;

// The engine behind the public interface: owns the signal-path state, three
// snapshot buffers and the lock that hands parameter changes to the audio side.
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
    void publishSnapshot();
    void lockForAudio();
    void refreshWorkingSnapshot();

    ModelState* modelState;
    ParameterSnapshot* firstSnapshot;
    ParameterSnapshot* secondSnapshot;
    ParameterSnapshot* workingSnapshot;
    ParameterSnapshot* publishedSnapshot;
    ParameterSnapshot* editSnapshot;
    std::mutex engineMutex;
    // Publications so far, and the one the working copy holds; both guarded by
    // engineMutex. An unchanged count spares the audio side the copy.
    std::uint64_t publishCount;
    std::uint64_t workingSnapshotCount;
    std::atomic<float> normalizedValues[kNumParameters];
    std::atomic<float> sampleRate;

    static_assert(std::atomic<float>::is_always_lock_free);
};

} // namespace corvex
