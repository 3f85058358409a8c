// The calibration generator's state for one run: the measurement file's
// name, the two line fits and what the header lines set.
#pragma once

#include "linefit.hpp"

#include <cstdint>
#include <string>

namespace messkart {

struct CalibrationRun {
    std::string measurementFileName;  // the first argument as typed
    LineFit lonFit;                   // x pixel against longitude
    LineFit latFit;                   // y pixel against sinh(latitude)
    std::int32_t headerValue1 = 0;
    std::int32_t headerValue2 = 0;
    std::string correctionWord = "ohne";
    bool gpsFormat = false;
    double lonCorrection = 0.0;       // degrees, added to every longitude read after a WGS line
    double latCorrection = 0.0;
};

} // namespace messkart
