// The rectifier's steps before its pass: the input opened and checked, the
// hyperbolic coefficients formed, the output created with its header.
#pragma once

#include "rectifystate.hpp"

namespace glattzug {

// False after a failure that it has reported itself, with its pause.
bool prepareFiles(RectifyState& state);

} // namespace glattzug
