#pragma once

#include "model/circuit_values.h"

namespace corvex
{

// Threshold and knee of a soft-clip curve. Value is double for one channel,
// DoubleLanes for the curve in both lanes.
template <class Value>
struct ClipCurve
{
    Value threshold;
    Value knee;
};

using ClipPair = ClipCurve<double>;

// Fixed constants of the first output-stage circuit, which the gain
// computer's detector runs too.
template <class Value>
struct FirstCircuitConstants
{
    Value inputScale;
    Value outputScale;
    Value feedbackGain;
    Value feedbackSmoothing;
    Value floor;
    ClipCurve<Value> clip1;
    ClipCurve<Value> clip2;
};

// Fixed constants of the second output-stage circuit.
template <class Value>
struct SecondCircuitConstants
{
    Value inputScale;
    Value outputScale;
    Value upperFeedbackGain;
    Value lowerFeedbackGain;
    Value excessScale;
    Value upperSmoothing;
    Value lowerSmoothing;
    Value ceiling;
    Value floor;
    ClipCurve<Value> clip; // of the excess below the floor, scaled, as it comes back
};

// The two circuits' constants, which depend on the sample rate only.
struct OutputStageConstants
{
    FirstCircuitConstants<double> firstCircuit;
    SecondCircuitConstants<double> secondCircuit;
};

// The constants for a sample rate in Hz.
OutputStageConstants computeOutputStageConstants(double sampleRate);

// The constants in both lanes, for the stereo loops.
inline ClipCurve<DoubleLanes> inBothLanes(const ClipPair& clip)
{
    return {bothLanes(clip.threshold), bothLanes(clip.knee)};
}

inline FirstCircuitConstants<DoubleLanes> inBothLanes(const FirstCircuitConstants<double>& k)
{
    return {bothLanes(k.inputScale),        bothLanes(k.outputScale), bothLanes(k.feedbackGain),
            bothLanes(k.feedbackSmoothing), bothLanes(k.floor),       inBothLanes(k.clip1),
            inBothLanes(k.clip2)};
}

inline SecondCircuitConstants<DoubleLanes> inBothLanes(const SecondCircuitConstants<double>& k)
{
    return {bothLanes(k.inputScale),     bothLanes(k.outputScale),    bothLanes(k.upperFeedbackGain),
            bothLanes(k.lowerFeedbackGain), bothLanes(k.excessScale), bothLanes(k.upperSmoothing),
            bothLanes(k.lowerSmoothing), bothLanes(k.ceiling),        bothLanes(k.floor),
            inBothLanes(k.clip)};
}

} // namespace corvex
