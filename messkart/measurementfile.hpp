// The measurement file read line by line into the run's fits and corrections.
#pragma once

#include "calibrationrun.hpp"

#include <string_view>

namespace messkart {

void readMeasurementFile(CalibrationRun& run);
// One line as read, after the header: a WGS, GPS or data line.
void readHeaderLine(CalibrationRun& run, std::string_view line);
void readBodyLine(CalibrationRun& run, std::string_view line);
bool isSkippedLine(std::string_view line);
[[noreturn]] void stopOnFormatError(std::string_view text);

} // namespace messkart
