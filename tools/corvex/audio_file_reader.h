#pragma once

#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace corvex::tool
{

// An audio file opened for reading through libsndfile, read as interleaved
// floats on the -1..1 scale. Refuses, with a message naming the file, what
// libsndfile cannot read and what the engine cannot take (more than two
// channels, a rate outside 1 Hz to 192 kHz).
class AudioFileReader
{
public:
    explicit AudioFileReader(const std::filesystem::path& path);
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    int channels() const { return info_.channels; }
    int sampleRate() const { return info_.samplerate; }
    std::int64_t frames() const { return info_.frames; }
    int format() const { return info_.format; }
    const std::filesystem::path& path() const { return path_; }

    // Reads up to frameCount frames into interleaved; fewer, or 0, at the end of the file.
    std::int64_t read(std::vector<float>& interleaved, std::int64_t frameCount);

private:
    std::filesystem::path path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
};

} // namespace corvex::tool
