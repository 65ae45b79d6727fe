#include "model/fixed_filters.h"

namespace corvex
{

void resetFixedFirstOrder(FixedFirstOrder& filter)
{
    filter = FixedFirstOrder{0.0, 1.0, 0.0, 0.0};
}

void resetFixedSecondOrder(FixedSecondOrder& filter)
{
    filter = FixedSecondOrder{0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0};
}

} // namespace corvex
