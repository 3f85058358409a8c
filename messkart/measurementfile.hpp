// The measurement file read line by line into the run's fits and corrections.
#pragma once

#include "calibrationrun.hpp"

#include <cstdint>
#include <string>
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

// A field that cannot be read: shown is its line as far as it was not consumed.
struct FormatError {
    std::string shown;
};

// Reads the file named in the run without a word on the console: false when
// it cannot be opened, FormatError thrown at the first field that fails.
bool readMeasurements(CalibrationRun& run, const LineHooks& hooks = {});
// messkart's reading: a file it cannot open or a field it cannot read ends
// the run with its message.
void readMeasurementFile(CalibrationRun& run, const LineHooks& hooks = {});
// One line as read, after the header: a WGS, GPS or data line.
void readHeaderLine(CalibrationRun& run, std::string_view line);
void readBodyLine(CalibrationRun& run, std::string_view line);
bool isSkippedLine(std::string_view line);
// The file's own bytes as the console may show them.
std::string shownText(std::string_view text);
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

// A data line read into the fits; its point as it entered them.
MeasuredPoint readDataLine(CalibrationRun& run, std::string_view line);
bool beyondPole(double latitude);

} // namespace messkart
