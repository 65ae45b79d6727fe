#include "tools/corvex/output_format.h"

#include <sndfile.h>

namespace corvex::tool
{

namespace
{

struct NamedFormat
{
    const char* name;
    int format;
};

constexpr NamedFormat kNamedFormats[] = {
    {"wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {"wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
    {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
};

} // namespace

const std::vector<std::string>& outputFormatNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const NamedFormat& named : kNamedFormats)
            list.emplace_back(named.name);
        return list;
    }();
    return names;
}

int outputFormat(const std::string& name, int inputFormat)
{
    for (const NamedFormat& named : kNamedFormats)
    {
        if (name == named.name)
            return named.format;
    }
    return inputFormat;
}

} // namespace corvex::tool
