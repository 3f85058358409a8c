// The rectifier's pass line by line as the plain rule goes: probe the frame,
// then read each inner pixel and write its run of targets, one pixel at a
// time, every access checked. For inputs the table pass cannot take.
#pragma once

#include "pass.hpp"

namespace glattzug {

void stretchLineByLine(Pass& pass, PixelOutput& output);

} // namespace glattzug
