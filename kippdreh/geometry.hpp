// The angle of a run given as a shift, and the size of the turned picture.
#pragma once

#include "rotationjob.hpp"

#include <string>

namespace kippdreh {

// Sets job.angle from the shift in the shift modes.
void computeAngle(RotationJob& job);

// The rotated size and margins; stores them in the header. Refuses a size
// that the header or a 32-bit file offset cannot hold.
StepMessage computeGeometry(RotationJob& job);

// Angle in degrees as the rotation report shows it: two decimals.
std::string degreesText(double angle);

} // namespace kippdreh
