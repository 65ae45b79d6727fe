#include "tests/validation/parameter_automation.h"

namespace corvex::validation
{

namespace
{

// The edges of the switches (0.5) and of the five choices (multiples of 0.2).
constexpr float kEdgeValues[] = {0.0f, 0.2f, 0.4f, 0.5f, 0.6f, 0.8f, 1.0f};

} // namespace

ParameterAutomation::ParameterAutomation(std::uint32_t seed) : random(seed)
{
}

void ParameterAutomation::step(CorvexEngine& engine)
{
    const int moves = std::uniform_int_distribution<int>(0, 3)(random);
    for (int move = 0; move < moves; ++move)
    {
        const int id = std::uniform_int_distribution<int>(0, kNumParameters - 1)(random);
        float value;
        if (std::bernoulli_distribution(0.3)(random))
            value = kEdgeValues[std::uniform_int_distribution<std::size_t>(0, std::size(kEdgeValues) - 1)(random)];
        else
            value = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
        engine.setNormalizedValue(id, value);
    }
}

} // namespace corvex::validation
