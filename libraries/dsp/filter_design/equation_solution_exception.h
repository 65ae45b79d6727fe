#pragma once

#include "core/core_exception.h"

namespace dsp
{

// Raised inside a design when its matching equations have no solution; always
// caught by the design itself, which then falls back to its default section.
class EquationSolutionException : public core::Exception
{
};

} // namespace dsp
