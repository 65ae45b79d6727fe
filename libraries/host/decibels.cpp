#include "libraries/host/decibels.h"

#include <algorithm>
#include <cmath>

namespace corvex::host
{

double levelDb(double linear)
{
    if (!(linear > 0.0))
        return kLevelFloorDb;
    return std::max(kLevelFloorDb, 20.0 * std::log10(linear));
}

} // namespace corvex::host
