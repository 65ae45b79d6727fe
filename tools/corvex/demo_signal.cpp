#include "tools/corvex/demo_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace corvex::tool
{

namespace
{

constexpr double kBeatsPerMinute = 174.0;
constexpr double kStepSeconds = 60.0 / kBeatsPerMinute / 4.0; // one sixteenth note
constexpr int kStepsPerBar = 16;
constexpr double kPeakLevel = 0.891250938; // -1 dBFS
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// xorshift32: the same noise on every platform, unlike the standard distributions.
class NoiseGenerator
{
public:
    double next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state_ = 0x2545F491u;
};

struct StereoBuffer
{
    std::vector<double> left;
    std::vector<double> right;

    explicit StereoBuffer(std::size_t frames) : left(frames, 0.0), right(frames, 0.0) {}

    void add(std::size_t frame, double sample, double pan) // pan -1 (left) to 1 (right)
    {
        if (frame >= left.size())
            return;
        left[frame] += sample * std::sqrt(0.5 * (1.0 - pan));
        right[frame] += sample * std::sqrt(0.5 * (1.0 + pan));
    }
};

std::size_t frameAt(double seconds)
{
    return static_cast<std::size_t>(std::lround(seconds * kDemoSampleRate));
}

void addKick(StereoBuffer& mix, double startSeconds, double gain)
{
    double phase = 0.0;
    const std::size_t start = frameAt(startSeconds);
    for (std::size_t n = 0; n < frameAt(0.35); ++n)
    {
        const double t = static_cast<double>(n) / kDemoSampleRate;
        const double frequency = 48.0 + 110.0 * std::exp(-t / 0.03);
        phase += kTwoPi * frequency / kDemoSampleRate;
        const double click = t < 0.004 ? 0.3 * (1.0 - t / 0.004) : 0.0;
        mix.add(start + n, gain * (std::sin(phase) * std::exp(-t / 0.16) + click), 0.0);
    }
}

void addSnare(StereoBuffer& mix, NoiseGenerator& noise, double startSeconds, double gain)
{
    const std::size_t start = frameAt(startSeconds);
    double previousNoise = 0.0;
    for (std::size_t n = 0; n < frameAt(0.25); ++n)
    {
        const double t = static_cast<double>(n) / kDemoSampleRate;
        const double white = noise.next();
        const double bright = white - 0.6 * previousNoise; // tilts the noise towards the highs
        previousNoise = white;
        const double body = std::sin(kTwoPi * 185.0 * t) * std::exp(-t / 0.05);
        mix.add(start + n, gain * (0.6 * body + 0.5 * bright * std::exp(-t / 0.07)), 0.05);
    }
}

void addHat(StereoBuffer& mix, NoiseGenerator& noise, double startSeconds, double gain, double pan)
{
    const std::size_t start = frameAt(startSeconds);
    double previousNoise = 0.0;
    for (std::size_t n = 0; n < frameAt(0.06); ++n)
    {
        const double t = static_cast<double>(n) / kDemoSampleRate;
        const double white = noise.next();
        mix.add(start + n, gain * 0.5 * (white - previousNoise) * std::exp(-t / 0.015), pan);
        previousNoise = white;
    }
}

// A sub sine under two slightly detuned, low-passed saws spread left and right,
// gliding between the notes of a four-bar line.
void addBass(StereoBuffer& mix, double fromSeconds, double toSeconds, double gain, bool withSaws)
{
    constexpr double kNotesHz[] = {43.65, 43.65, 51.91, 38.89, 43.65, 58.27, 51.91, 38.89};
    constexpr double kNoteSeconds = kStepSeconds * 8.0; // half a bar
    double subPhase = 0.0;
    double sawPhases[2] = {0.0, 0.0};
    double smoothed[2] = {0.0, 0.0};
    double frequency = kNotesHz[0];
    for (std::size_t frame = frameAt(fromSeconds); frame < frameAt(toSeconds); ++frame)
    {
        const double t = static_cast<double>(frame) / kDemoSampleRate;
        const int note = static_cast<int>(t / kNoteSeconds) % 8;
        frequency += (kNotesHz[note] - frequency) * 0.002; // glide
        const double inNote = std::fmod(t, kNoteSeconds);
        const double envelope = std::min(1.0, inNote / 0.01) * (0.75 + 0.25 * std::exp(-inNote / 0.12));
        subPhase += kTwoPi * frequency / kDemoSampleRate;
        const double sub = std::sin(subPhase) * envelope;
        mix.add(frame, gain * 0.8 * sub, 0.0);
        if (!withSaws)
            continue;
        for (int side = 0; side < 2; ++side)
        {
            const double detune = side == 0 ? 0.995 : 1.005;
            sawPhases[side] = std::fmod(sawPhases[side] + 2.0 * frequency * detune / kDemoSampleRate, 1.0);
            smoothed[side] += (2.0 * sawPhases[side] - 1.0 - smoothed[side]) * 0.04;
            mix.add(frame, gain * 0.35 * smoothed[side] * envelope, side == 0 ? -0.6 : 0.6);
        }
    }
}

} // namespace

std::vector<float> synthesizeDrumAndBass()
{
    const std::size_t frames = static_cast<std::size_t>(kDemoSampleRate) * kDemoSeconds;
    StereoBuffer mix(frames);
    NoiseGenerator noise;
    const double barSeconds = kStepSeconds * kStepsPerBar;
    const int steps = static_cast<int>(kDemoSeconds / kStepSeconds) + 1;

    addBass(mix, 0.0, barSeconds, 0.35, false);
    addBass(mix, barSeconds, kDemoSeconds, 1.0, true);
    for (int step = 0; step < steps; ++step)
    {
        const double start = step * kStepSeconds;
        const int inBar = step % kStepsPerBar;
        const bool intro = step < kStepsPerBar;
        if (inBar % 2 == 0)
            addHat(mix, noise, start, intro ? 0.5 : 0.8, inBar % 4 == 0 ? -0.3 : 0.3);
        else if (!intro)
            addHat(mix, noise, start, 0.3, 0.4);
        if (intro)
            continue;
        if (inBar == 0 || inBar == 10)
            addKick(mix, start, 1.0);
        if (inBar == 4 || inBar == 12)
            addSnare(mix, noise, start, 0.9);
        if (inBar == 15 && (step / kStepsPerBar) % 2 == 1)
            addSnare(mix, noise, start, 0.35); // ghost note before every other bar
    }

    double peak = 0.0;
    for (std::size_t frame = 0; frame < frames; ++frame)
        peak = std::max({peak, std::fabs(mix.left[frame]), std::fabs(mix.right[frame])});
    std::vector<float> interleaved(frames * 2);
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        interleaved[2 * frame] = static_cast<float>(mix.left[frame] * kPeakLevel / peak);
        interleaved[2 * frame + 1] = static_cast<float>(mix.right[frame] * kPeakLevel / peak);
    }
    return interleaved;
}

} // namespace corvex::tool
