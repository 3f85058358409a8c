// messkart's whole run, from its banner to its exit code.
#pragma once

#include "calibrationrun.hpp"

namespace messkart {

// In the run frame that turns a failed check into the failure report.
int run(int argc, char** argv);

// The test between reading and writing: too few points, or all on one
// meridian or one parallel, end the run with the reason and exit code 1.
void stopIfUnsuitable(const CalibrationRun& run);

} // namespace messkart
