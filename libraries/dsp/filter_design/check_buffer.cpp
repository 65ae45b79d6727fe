#include "libraries/dsp/filter_design/check_buffer.h"

#include <cmath>

namespace dsp
{

bool checkBuffer(const double* values, std::size_t numValues)
{
    for (std::size_t i = 0; i < numValues; ++i)
    {
        if (!std::isfinite(values[i]))
            return false;
    }
    return true;
}

} // namespace dsp
