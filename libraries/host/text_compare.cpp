#include "libraries/host/text_compare.h"

#include <algorithm>
#include <cctype>

namespace corvex::host
{

bool equalsIgnoringCase(std::string_view left, std::string_view right)
{
    return std::ranges::equal(left, right, [](unsigned char a, unsigned char b) {
        return std::tolower(a) == std::tolower(b);
    });
}

} // namespace corvex::host
