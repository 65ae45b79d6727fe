#include "tools/corvex/output_format.h"

#include "tools/corvex/usage_error.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace corvex::tool
{

namespace
{

struct Container
{
    const char* extension;
    const char* description;
    int majorFormat;
    int ownEncoding;         // when neither --format nor the input gives one it can hold
    bool takesOtherEncodings; // false: a lossy codec, whatever the input or --format
};

constexpr Container kContainers[] = {
    {".wav", "WAV", SF_FORMAT_WAV, SF_FORMAT_PCM_24, true},
    {".aiff", "AIFF", SF_FORMAT_AIFF, SF_FORMAT_PCM_24, true},
    {".aif", "AIFF", SF_FORMAT_AIFF, SF_FORMAT_PCM_24, true},
    {".flac", "FLAC", SF_FORMAT_FLAC, SF_FORMAT_PCM_24, true},
    {".ogg", "Ogg Vorbis", SF_FORMAT_OGG, SF_FORMAT_VORBIS, false},
    {".oga", "Ogg Vorbis", SF_FORMAT_OGG, SF_FORMAT_VORBIS, false},
    {".mp3", "MP3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, false},
    {".opus", "Ogg Opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, false},
};

struct NamedEncoding
{
    const char* name;
    int encoding;
    int onlyMajorFormat; // 0: any container
};

constexpr NamedEncoding kNamedEncodings[] = {
    {"wav16", SF_FORMAT_PCM_16, 0},
    {"wav24", SF_FORMAT_PCM_24, 0},
    {"float", SF_FORMAT_FLOAT, 0},
    {"flac", SF_FORMAT_PCM_24, SF_FORMAT_FLAC},
};

bool writable(int format, int channels, int sampleRate)
{
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    return sf_format_check(&info) != 0;
}

// Whether this libsndfile writes the container at all (MP3 and Opus depend on how it was built).
bool writable(const Container& container)
{
    return writable(container.majorFormat | container.ownEncoding, 1, 48000);
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string writableExtensions()
{
    std::string list;
    for (const Container& container : kContainers)
        if (writable(container))
            list += std::string(list.empty() ? "" : ", ") + container.extension;
    return list;
}

} // namespace

const std::vector<std::string>& outputFormatNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const NamedEncoding& named : kNamedEncodings)
            list.emplace_back(named.name);
        return list;
    }();
    return names;
}

int outputFormat(const std::filesystem::path& output, const std::string& name, int inputFormat, int channels,
                 int sampleRate)
{
    const std::string quoted = "OUT '" + output.string() + "'";
    const std::string extension = lowerCase(output.extension().string());
    const auto container = std::find_if(std::begin(kContainers), std::end(kContainers),
                                        [&](const Container& known) { return extension == known.extension; });
    if (container == std::end(kContainers) || !writable(*container))
    {
        const std::string what = extension.empty() ? "a file without an extension" : "'" + extension + "' files";
        throw UsageError(quoted + ": cannot write " + what + "; the extension chooses the type: " +
                         writableExtensions());
    }

    if (!name.empty())
    {
        const auto named = std::find_if(std::begin(kNamedEncodings), std::end(kNamedEncodings),
                                        [&](const NamedEncoding& known) { return name == known.name; });
        if (named == std::end(kNamedEncodings))
            throw UsageError("--format " + name + ": unknown format");
        if (named->onlyMajorFormat != 0 && named->onlyMajorFormat != container->majorFormat)
            throw UsageError("--format " + name + " writes a FLAC file, but " + quoted + " is named as " +
                             container->description);
        const int format = container->majorFormat | named->encoding;
        if (!container->takesOtherEncodings || !writable(format, channels, sampleRate))
            throw UsageError("--format " + name + ": " + quoted + " is named as " + container->description +
                             ", which cannot hold that encoding");
        return format;
    }

    const int inputEncoding = container->majorFormat | (inputFormat & SF_FORMAT_SUBMASK);
    if (container->takesOtherEncodings && writable(inputEncoding, channels, sampleRate))
        return inputEncoding;
    return container->majorFormat | container->ownEncoding;
}

} // namespace corvex::tool
