// The calibration generator's state for one run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace messkart {

// A straight line y = slope * x + intercept fitted by least squares, point by
// point: only the count and four running sums are kept.
struct LineFit {
    std::int32_t count = 0;
    double sumXY = 0.0;
    double sumY = 0.0;
    double sumX = 0.0;
    double sumXX = 0.0;
    double slope = 0.0;
    double intercept = 0.0;
    double firstX = 0.0;
    bool allXEqual = true;   // every x added so far has the first one's bits
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
};

// Fits
void resetFit(LineFit& fit);
// pixel is y, x the geographic value; from the second point on the line is refitted.
void addPoint(LineFit& fit, std::int32_t pixel, double x);
// The latitude enters its fit as sinh of the latitude in radians.
double latitudeScale(double latitudeDegrees);
void addLatitudePoint(LineFit& fit, std::int32_t pixel, double latitudeDegrees);

// Angles: decimal degrees when the field holds a ".", else packed [-]DDDMMSS.
std::optional<double> parseAngle(std::string_view field);
std::optional<double> parsePackedAngle(std::string_view field);

// Measurement file
void readMeasurementFile(CalibrationRun& run);
// One line as read, after the header: a WGS, GPS or data line.
void readHeaderLine(CalibrationRun& run, std::string_view line);
void readBodyLine(CalibrationRun& run, std::string_view line);
bool isSkippedLine(std::string_view line);
[[noreturn]] void stopOnFormatError(std::string_view text);

// Calibration file
std::string calibrationFileName(const CalibrationRun& run);
// Refuses a measurement file that the calibration file would replace.
void refuseMeasurementAsCalibration(const CalibrationRun& run);
std::string realNumberText(double value);
std::string calibrationText(const CalibrationRun& run);
void writeCalibrationFile(const CalibrationRun& run);


// The whole run of the program, from its banner to its exit code, in the
// run frame that turns a failed check into the failure report.
int run(int argc, char** argv);

} // namespace messkart
