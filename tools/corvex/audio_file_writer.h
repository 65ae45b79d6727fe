#pragma once

#include "tools/corvex/pending_output_file.h"

#include <sndfile.h>

#include <cstdint>
#include <filesystem>

namespace corvex::tool
{

// An audio file written through libsndfile from interleaved floats, under a
// temporary name until finish() (see PendingOutputFile). Samples beyond full
// scale clip in integer formats instead of wrapping. Every failed write, such as
// a full disk, is reported with the destination's name.
class AudioFileWriter
{
public:
    // format: a libsndfile major format with its subtype, such as SF_FORMAT_WAV | SF_FORMAT_FLOAT.
    AudioFileWriter(const std::filesystem::path& destination, int format, int channels, int sampleRate);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    void write(const float* interleaved, std::int64_t frameCount);

    // Completes the file and moves it onto the destination.
    void finish();

private:
    [[noreturn]] void fail(const char* reason);

    PendingOutputFile output_;
    SNDFILE* file_ = nullptr;
};

} // namespace corvex::tool
