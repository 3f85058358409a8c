#include "calibrationrun.hpp"

#include "console.hpp"

namespace messkart {

void pauseForReturn() { readInputLine(); }

} // namespace messkart
