#include "tests/tools/sound_files.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace corvex::testing
{

void writeSound(const std::filesystem::path& path, const Sound& sound, int format)
{
    SF_INFO info{};
    info.samplerate = sound.sampleRate;
    info.channels = sound.channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    const sf_count_t written = sf_writef_float(file, sound.samples.data(), sound.frames());
    sf_close(file);
    if (written != sound.frames())
        throw std::runtime_error("short write to " + path.string());
}

Sound readSound(const std::filesystem::path& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
    Sound sound;
    sound.sampleRate = info.samplerate;
    sound.channels = info.channels;
    sound.format = info.format;
    sound.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, sound.samples.data(), info.frames);
    sf_close(file);
    return sound;
}

Sound sine(int sampleRate, int channels, double seconds, double frequencyHz, double peak)
{
    Sound sound{sampleRate, channels, 0, {}};
    const auto frames = static_cast<std::int64_t>(std::llround(seconds * sampleRate));
    for (std::int64_t frame = 0; frame < frames; ++frame)
    {
        const double value = peak * std::sin(2.0 * std::numbers::pi * frequencyHz * frame / sampleRate);
        for (int channel = 0; channel < channels; ++channel)
            sound.samples.push_back(static_cast<float>(channel == 0 ? value : 0.5 * value));
    }
    return sound;
}

Sound noise(int sampleRate, int channels, double seconds, double peak)
{
    Sound sound{sampleRate, channels, 0, {}};
    std::uint32_t state = 12345u;
    const auto count = static_cast<std::int64_t>(std::llround(seconds * sampleRate)) * channels;
    for (std::int64_t index = 0; index < count; ++index)
    {
        state = state * 1664525u + 1013904223u;
        sound.samples.push_back(static_cast<float>(peak * (static_cast<double>(state) / 2147483648.0 - 1.0)));
    }
    return sound;
}

Sound silence(int sampleRate, int channels, double seconds)
{
    Sound sound{sampleRate, channels, 0, {}};
    sound.samples.assign(static_cast<std::size_t>(std::llround(seconds * sampleRate)) * channels, 0.0f);
    return sound;
}

double peakDb(const Sound& sound, int channel, std::int64_t from, std::int64_t to)
{
    double peak = 0.0;
    for (std::int64_t frame = from; frame < std::min(to, sound.frames()); ++frame)
        peak = std::max(peak, static_cast<double>(std::fabs(sound.at(frame, channel))));
    return 20.0 * std::log10(peak);
}

} // namespace corvex::testing
