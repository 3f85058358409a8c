// The rectifier's pass from tables of sources, in bands of stored rows built
// in memory and written whole: the same bytes as line by line.
#pragma once

#include "pass.hpp"

namespace glattzug {

// False, with nothing written, where tables cannot give the same bytes.
bool stretchFromTables(Pass& pass);

} // namespace glattzug
