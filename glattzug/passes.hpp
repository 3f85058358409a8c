// The rectifier's pass over every row (mode h) or every column (mode v): from
// tables where they give the same bytes, else line by line; then the note of
// a frame not found.
#pragma once

#include "rectifystate.hpp"

namespace glattzug {

void rectifyRows(RectifyState& state);
void rectifyColumns(RectifyState& state);

} // namespace glattzug
