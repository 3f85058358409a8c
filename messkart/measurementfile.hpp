// The measurement file read line by line into the run's fits and corrections.
#pragma once

#include "calibrationrun.hpp"

#include <cstdint>
#include <string_view>

namespace messkart {

// What a reader other than messkart's own run does with the file's lines:
// the measuring desk sees every skipped line (its comments) and takes over
// the lines after the header. Without them the lines go to readBodyLine.
struct LineHooks {
    void* context = nullptr;
    void (*skipped)(void* context, std::string_view line) = nullptr;
    void (*body)(void* context, CalibrationRun& run, std::string_view line) = nullptr;
};

void readMeasurementFile(CalibrationRun& run, const LineHooks& hooks = {});
// One line as read, after the header: a WGS, GPS or data line.
void readHeaderLine(CalibrationRun& run, std::string_view line);
void readBodyLine(CalibrationRun& run, std::string_view line);
bool isSkippedLine(std::string_view line);
[[noreturn]] void stopOnFormatError(std::string_view text);

enum class BodyLineKind { Correction, Gps, Data };
BodyLineKind bodyLineKind(std::string_view line);

// A data line cut into its four fields (x, longitude, y, latitude) as the
// reader cuts it, each with the text that a format error in it shows, and
// what follows the latitude after a blank.
struct DataFields {
    std::string_view field[4];
    std::string_view shown[4];
    std::string_view after;
};
DataFields splitDataLine(std::string_view line);

// A data line's point, its angles in degrees with the corrections added,
// and the latitude's scale as it entered its fit.
struct MeasuredPoint {
    std::int32_t x = 0;
    double longitude = 0.0;
    std::int32_t y = 0;
    double latitude = 0.0;
    double scale = 0.0;
};
MeasuredPoint readDataLine(CalibrationRun& run, std::string_view line);
bool beyondPole(double latitude);

} // namespace messkart
