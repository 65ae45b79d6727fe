#include "corvex_engine.h"

// Nothing else is included: the header must stand alone.
static_assert(kNumParameters == 20, "twenty parameters");
static_assert(kNumMeters == 6, "six meters");
