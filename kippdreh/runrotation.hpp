// The work step of a turn, from opening the input to closing the output.
#pragma once

#include "passoptions.hpp"
#include "rotationjob.hpp"

namespace kippdreh {

// False after a failure that it has reported itself, with its pause.
bool runRotation(RotationJob& job, const PassOptions& options = defaultPassOptions());

} // namespace kippdreh
