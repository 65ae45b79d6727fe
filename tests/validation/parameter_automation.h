#pragma once

#include "corvex_engine.h"

#include <cstdint>
#include <random>

namespace corvex::validation
{

// Host automation between blocks: each step moves up to three random
// parameters to random values in [0, 1], often exactly to a switch or choice
// edge. Equal seeds give equal moves.
class ParameterAutomation
{
public:
    explicit ParameterAutomation(std::uint32_t seed);

    void step(CorvexEngine& engine);

private:
    std::mt19937 random;
};

} // namespace corvex::validation
