// The calibration generator's state for one run: the measurement file's
// name, the two line fits and what the header lines set.
#pragma once

#include "linefit.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace messkart {

// A data line's point as it enters the fits: its pixel position, its angles
// in degrees with the correction in force when its line was read, and the
// latitude's scale as it entered its fit.
struct MeasuredPoint {
    std::int32_t x = 0;
    double longitude = 0.0;
    std::int32_t y = 0;
    double latitude = 0.0;
    double scale = 0.0;
};

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
    // Where every point is kept as well, for a caller that lists them; none
    // for messkart, whose memory does not grow with the file.
    std::vector<MeasuredPoint>* keptPoints = nullptr;
};

} // namespace messkart
