// The .INF calibration file: its name, its text, its writing.
#pragma once

#include "calibrationrun.hpp"

#include <string>

namespace messkart {

std::string calibrationFileName(const CalibrationRun& run);
// Refuses a measurement file that the calibration file would replace.
void refuseMeasurementAsCalibration(const CalibrationRun& run);
std::string realNumberText(double value);
std::string calibrationText(const CalibrationRun& run);
void writeCalibrationFile(const CalibrationRun& run);

} // namespace messkart
