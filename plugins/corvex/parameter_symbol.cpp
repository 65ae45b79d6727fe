#include "plugins/corvex/parameter_symbol.h"

#include <cctype>

namespace corvex::plugin
{

std::string symbolFromName(const std::string& name)
{
    std::string symbol;
    bool separate = false;
    for (const unsigned char character : name)
    {
        if (!std::isalnum(character))
        {
            separate = !symbol.empty();
            continue;
        }
        if (separate)
            symbol += '_';
        symbol += static_cast<char>(std::tolower(character));
        separate = false;
    }
    return symbol;
}

} // namespace corvex::plugin
