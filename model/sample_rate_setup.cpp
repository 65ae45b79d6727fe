#include "model/sample_rate_setup.h"

#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_bell.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass.h"
#include "model/model_state.h"

namespace corvex
{

namespace
{

// The detector and the first output circuit share one chain: a gentle 2345 Hz
// bell, an 18 kHz low-pass and a DC-blocking second-order high-pass.
constexpr dsp::BellParams kCircuitBell{2345.0, 0.1, 0.2, 0.0};
constexpr dsp::FirstOrderParams kCircuitLowPass{18000.0, 0.0, 0.0};
constexpr dsp::SecondOrderHighPassParams kCircuitHighPass{4.28651, 1.00516, 0.0, 0.0};
// The second output circuit ends in a first-order DC blocker.
constexpr dsp::FirstOrderParams kSecondCircuitHighPass{8.11728, 0.0, 0.0};

void assign(FixedFirstOrder& filter, const dsp::FirstOrderCoefficients& c)
{
    filter.b0 = c.b0;
    filter.b1 = c.b1;
    filter.a1 = c.a1;
}

void assign(FixedSecondOrder& filter, const dsp::SecondOrderCoefficients& c)
{
    filter.b0 = c.b0;
    filter.b1 = c.b1;
    filter.b2 = c.b2;
    filter.a1 = c.a1;
    filter.a2 = c.a2;
}

void assignCircuit(FirstOutputCircuitState& circuit, const dsp::SecondOrderCoefficients& bell,
                   const dsp::FirstOrderCoefficients& lowPass, const dsp::SecondOrderCoefficients& highPass)
{
    assign(circuit.bell, bell);
    assign(circuit.lowPass, lowPass);
    assign(circuit.highPass, highPass);
}

} // namespace

void resetModelState(ModelState& state)
{
    state.resetPending = 1;
    state.enableFade = 1.0;
    resetGainMatrix(state.inputMatrixState);
    resetGainMatrix(state.sideChainMatrixState);
    resetGainMatrix(state.outputMatrixState);
    resetGainMatrix(state.listenMatrixState);
    resetDelayLine(state.dryDelay);
    resetDelayLine(state.listenDelay);
    resetCrossfade(state.dryWetMixerState);
    resetCrossfade(state.listenMixerState);
    resetSideChainPath(state.sideChain);
    resetFeedbackGainKernel(state.kernel);
    resetDelayLine(state.mainDelay);
    for (int c = 0; c < kMaxChannels; ++c)
    {
        state.gainReductionMeter[c].store(0.0, std::memory_order_relaxed);
        state.inputMeter[c].store(0.0, std::memory_order_relaxed);
        state.outputMeter[c].store(0.0, std::memory_order_relaxed);
    }
    for (ChannelState& channel : state.channels)
    {
        resetGainRamp(channel.inputRamp);
        resetGainRamp(channel.outputRamp);
        resetFirstOutputCircuit(channel.firstCircuit);
        resetSecondOutputCircuit(channel.secondCircuit);
    }
}

void prepareFixedFilters(ModelState& state, double sampleRate)
{
    const dsp::SecondOrderCoefficients bell = dsp::designBell(kCircuitBell, sampleRate);
    const dsp::FirstOrderCoefficients lowPass = dsp::designFirstOrderLowPass(kCircuitLowPass, sampleRate);
    const dsp::SecondOrderCoefficients highPass = dsp::designSecondOrderHighPass(kCircuitHighPass, sampleRate);
    const dsp::FirstOrderCoefficients dcBlocker = dsp::designFirstOrderHighPass(kSecondCircuitHighPass, sampleRate);

    for (FirstOutputCircuitState& detector : state.kernel.detector)
        assignCircuit(detector, bell, lowPass, highPass);
    for (ChannelState& channel : state.channels)
    {
        assignCircuit(channel.firstCircuit, bell, lowPass, highPass);
        assign(channel.secondCircuit.highPass, dcBlocker);
    }
}

} // namespace corvex
