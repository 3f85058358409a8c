// The rectifier's command line: the file, h or v, and for v two latitudes.
#pragma once

#include "rectifystate.hpp"

namespace glattzug {

// Reads the command line and writes the status line; shows the help text
// (and ends the run with exit code 1) on any fault.
void parseArguments(RectifyState& state, int argc, char** argv);
[[noreturn]] void showUsage();

} // namespace glattzug
