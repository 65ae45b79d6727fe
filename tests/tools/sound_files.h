#pragma once

#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace corvex::testing
{

// 32-bit float WAV: the format in which a round trip keeps every sample exactly.
inline constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

// Interleaved float samples with their layout, as libsndfile reads and writes them.
struct Sound
{
    int sampleRate = 48000;
    int channels = 1;
    int format = 0; // libsndfile format of a file read
    std::vector<float> samples;

    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size()) / channels; }
    float at(std::int64_t frame, int channel) const { return samples[frame * channels + channel]; }
};

// Writes sound in the libsndfile format (such as SF_FORMAT_WAV | SF_FORMAT_FLOAT); throws on failure.
void writeSound(const std::filesystem::path& path, const Sound& sound, int format);
Sound readSound(const std::filesystem::path& path);

// Test signals, deterministic.
Sound sine(int sampleRate, int channels, double seconds, double frequencyHz, double peak);
Sound noise(int sampleRate, int channels, double seconds, double peak);
Sound silence(int sampleRate, int channels, double seconds);

// Largest absolute sample of a channel, in dBFS (-inf for silence), over frames [from, to).
double peakDb(const Sound& sound, int channel, std::int64_t from, std::int64_t to);

} // namespace corvex::testing
