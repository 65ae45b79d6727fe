#pragma once

namespace corvex
{

// Threshold and knee of a soft-clip curve.
struct ClipPair
{
    double threshold;
    double knee;
};

// Fixed constants of the two output-stage circuits (the gain computer's
// detector shares the first circuit's). They depend on the sample rate only.
struct OutputStageConstants
{
    double firstCircuitInputScale;
    double firstCircuitOutputScale;
    double firstCircuitFeedbackGain;
    double firstCircuitFeedbackSmoothing;
    double firstCircuitFloor;
    ClipPair firstCircuitClip1;
    ClipPair firstCircuitClip2;
    double secondCircuitInputScale;
    double secondCircuitOutputScale;
    double secondCircuitUpperFeedbackGain;
    double secondCircuitLowerFeedbackGain;
    double secondCircuitExcessScale;
    double secondCircuitUpperSmoothing;
    double secondCircuitLowerSmoothing;
    double secondCircuitCeiling;
    double secondCircuitFloor;
    ClipPair secondCircuitClip;
};

// The constants for a sample rate in Hz.
OutputStageConstants computeOutputStageConstants(double sampleRate);

} // namespace corvex
