#include "libraries/host/value_text_lookup.h"

#include "libraries/host/text_compare.h"

namespace corvex::host
{

std::optional<float> normalizedFromText(const ParameterDescription& description, std::string_view text)
{
    for (const ParameterChoice& choice : description.choices)
    {
        if (equalsIgnoringCase(choice.text, text))
            return choice.normalizedValue;
    }
    return std::nullopt;
}

} // namespace corvex::host
