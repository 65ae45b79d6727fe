#include "tools/corvex/audio_file_writer.h"

#include "tools/corvex/usage_error.h"

#include <string>

namespace corvex::tool
{

AudioFileWriter::AudioFileWriter(const std::filesystem::path& destination, int format, int channels,
                                 int sampleRate)
    : output_(destination)
{
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    if (!sf_format_check(&info))
        throw UsageError("cannot write '" + destination.string() + "': the output format does not support " +
                         std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz");
    file_ = sf_open_fd(output_.releaseDescriptor(), SFM_WRITE, &info, SF_TRUE);
    if (file_ == nullptr)
        fail(sf_strerror(nullptr));
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioFileWriter::~AudioFileWriter()
{
    if (file_ != nullptr)
        sf_close(file_);
}

void AudioFileWriter::write(const float* interleaved, std::int64_t frameCount)
{
    if (sf_writef_float(file_, interleaved, frameCount) != frameCount)
        fail(sf_strerror(file_));
}

void AudioFileWriter::finish()
{
    SNDFILE* file = file_;
    file_ = nullptr;
    if (sf_close(file) != 0)
        fail("the file could not be completed");
    output_.commit();
}

void AudioFileWriter::fail(const char* reason)
{
    throw UsageError("cannot write '" + output_.destination().string() + "': " + reason);
}

} // namespace corvex::tool
