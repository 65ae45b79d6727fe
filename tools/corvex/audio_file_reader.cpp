#include "tools/corvex/audio_file_reader.h"

#include "tools/corvex/usage_error.h"

#include "engine/corvex_engine.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

namespace corvex::tool
{

namespace
{

std::string quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

} // namespace

AudioFileReader::AudioFileReader(const std::filesystem::path& path) : path_(path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        throw UsageError("cannot read " + quoted(path) + ": no such file");
    if (std::filesystem::is_directory(path, error))
        throw UsageError("cannot read " + quoted(path) + ": it is a directory");
    if (!std::ifstream(path, std::ios::binary).is_open())
        throw UsageError("cannot read " + quoted(path) + ": " + std::strerror(errno));

    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (file_ == nullptr)
        throw UsageError(quoted(path) + " is not an audio file that can be read: " + sf_strerror(nullptr));
    if (info_.channels > kCorvexMaxNumChannels)
    {
        sf_close(file_);
        throw UsageError(quoted(path) + " has " + std::to_string(info_.channels) +
                         " channels; mono and stereo files are supported");
    }
    if (info_.samplerate < 1 || info_.samplerate > kCorvexMaxSampleRate)
    {
        sf_close(file_);
        throw UsageError(quoted(path) + " has a sample rate of " + std::to_string(info_.samplerate) +
                         " Hz; 1 to " + std::to_string(kCorvexMaxSampleRate) + " Hz are supported");
    }
}

AudioFileReader::~AudioFileReader()
{
    sf_close(file_);
}

std::int64_t AudioFileReader::read(std::vector<float>& interleaved, std::int64_t frameCount)
{
    interleaved.resize(static_cast<std::size_t>(frameCount * info_.channels));
    const sf_count_t got = sf_readf_float(file_, interleaved.data(), frameCount);
    if (got < frameCount && sf_error(file_) != SF_ERR_NO_ERROR)
        throw UsageError("cannot read " + quoted(path_) + ": " + sf_strerror(file_));
    return got;
}

} // namespace corvex::tool
