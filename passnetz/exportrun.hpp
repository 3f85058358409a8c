// passnetz's state for one run, and the steps that read and write it.
//
// The numbers of the exports are computed in doubles with the operations
// that every platform rounds alike (+, -, *, /, sqrt), so that the build for
// the measuring desk's page writes the same files.
#pragma once

#include "bmpheader.hpp"
#include "bytefile.hpp"
#include "calibrationrun.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace passnetz {

// The six numbers of a .INF file and its format marker: a point at
// longitude lon and latitude lat (degrees) lies at column
// x = a * lon + b and row y = c * sinh(lat in radians) + d.
struct Calibration {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    double d = 0.0;
    std::int32_t headerValue1 = 0;
    std::int32_t headerValue2 = 0;
    bool gps = false;  // WGS 84 coordinates; else Potsdam datum (DHDN)
};

// A control point: a picture position in GDAL's pixel and line coordinates
// (0,0 is the top-left corner of the top-left pixel, so a column index of
// the .INF lies at its pixel's centre, index + 0.5) and its coordinates.
struct ControlPoint {
    std::int32_t pixel = 0;
    std::int32_t line = 0;
    double longitude = 0.0;
    double latitude = 0.0;
};

// How the VRT names its picture: beside it, or from the root.
struct VrtSource {
    std::string name;
    bool relative = true;
};

struct ExportRun {
    std::string pictureName;      // the first argument as typed
    std::string calibrationName;  // the second, or the picture's name with .INF
    std::string tiffName;         // the picture's name with .tif
    std::string vrtName;          // the picture's name with .vrt
    std::string pointsName;       // the picture's whole name with .points, as QGIS looks for it
    std::string measurementName;  // the third argument, or the one found beside the .INF; else empty
    bool measurementNamed = false;  // typed: a file that does not belong to the .INF is refused
    VrtSource source;
    ByteFile picture;  // open from its header's reading until the GeoTIFF is written
    BmpLayout layout;
    std::int32_t width = 0;
    std::int32_t height = 0;
    Calibration calibration;
    std::vector<ControlPoint> points;
    // The points of the measurement file as messkart fits them; when there
    // are none, the points file holds the grid.
    std::vector<messkart::MeasuredPoint> measuredPoints;
};

// Arguments: help text, pause and exit code 1 on a wrong count.
[[noreturn]] void showUsage();
void parseArguments(ExportRun& run, int argc, char** argv);

// Each step that fails writes its message with the bell and pauses; the run
// then ends with exit code 1.
bool refuse(const std::string& message);  // the message, the bell, the pause; false
bool refuseOutputAsInput(const ExportRun& run);
bool refuseUnwritableName(ExportRun& run);
bool readPicture(ExportRun& run);
bool readCalibration(ExportRun& run);
void warnAboutSize(const ExportRun& run);
bool placeControlPoints(ExportRun& run);
void warnAboutDatum(const ExportRun& run);
bool takeMeasuredPoints(ExportRun& run);
bool withinPotsdamArea(double longitude, double latitude);
bool writeExports(ExportRun& run);

// Pure parts, shared with the tests.
// The .INF text read as six numbers and the marker; a message on failure.
struct CalibrationReading {
    std::optional<Calibration> calibration;
    std::string problem;  // what is wrong, after "<name>: "
};
CalibrationReading readCalibrationText(const std::string& text);

// Intervals of the grid across and down the picture.
struct GridSize {
    std::int32_t across = 1;
    std::int32_t down = 1;
};
GridSize gridSizeFor(std::int32_t width, std::int32_t height, const Calibration& calibration);
// The grid's points, row by row from the top; empty when a row lies beyond a pole.
std::vector<ControlPoint> controlPointsFor(std::int32_t width, std::int32_t height, const Calibration& calibration);

double asinhOfDoubles(double s);

// A measurement file belongs to the .INF when messkart's fit of its points
// gives the .INF's seven lines; else what is wrong, after the file's name.
std::string calibrationMismatch(const messkart::CalibrationRun& measured, const std::string& calibrationName,
                                const Calibration& calibration);

// Every point's longitude finite and within +-largestLongitude: a map may run
// past 180 degrees on either side, once round the earth at most.
inline constexpr double largestLongitude = 360.0;
bool longitudesInRange(const std::vector<ControlPoint>& points);
inline constexpr std::string_view longitudeProblem =
    "Zeilen 1 und 2 ergeben Laengen ausserhalb von -360 bis 360 Grad; keine gueltige .INF-Datei.";

// Shortest round-trip digits written out positionally, never with an exponent.
std::string numberText(double value);

// The picture's name in the VRT: its last component (only "/" ends a folder
// here, on Windows "\" and ":" too), which must be UTF-8 of characters XML
// allows; escaped so that an XML reader gets every byte back.
std::string_view pictureComponent(std::string_view name);
bool xmlCarriesExactly(std::string_view text);
std::string xmlEscaped(std::string_view text);
VrtSource vrtSourceOf(const std::string& pictureName);
inline constexpr std::string_view unwritableNameMessage =
    "Der Bildname enthaelt Steuerzeichen oder Bytes, die kein UTF-8 sind: die VRT-Datei kann ihn nicht tragen; "
    "bitte das Bild umbenennen.";

std::string vrtText(const ExportRun& run);
std::string pointsText(const ExportRun& run);

// The picture as a geographic raster: width columns from west by
// columnStep degrees, height rows from north by rowStep, each row showing
// one source row (0 = the picture's top); a mirrored raster shows the columns
// right to left. None when it would need more rows than a GeoTIFF takes.
struct GeoRaster {
    std::int32_t width = 0;
    std::int32_t height = 0;
    double west = 0.0;
    double north = 0.0;
    double columnStep = 0.0;
    double rowStep = 0.0;
    bool mirrored = false;
    std::vector<std::int32_t> sourceRows;
};
inline constexpr std::int32_t largestRasterRows = 1 << 24;
std::optional<GeoRaster> geoRasterFor(std::int32_t width, std::int32_t height, const Calibration& calibration);

// The GeoTIFF: its bytes before the pixels (pixelsStart is set to their
// length), a row's bytes, one row converted (eight pixels at a time with
// vectorForms, which the processor must have: the bytes are the same), and
// all the rows written.
std::uint64_t tiffRowBytes(const GeoRaster& raster);
std::string tiffHeader(const GeoRaster& raster, bool gps, std::uint64_t& pixelsStart);
void tiffRow(const unsigned char* bgr, std::int32_t width, bool mirrored, unsigned char* rgba, bool vectorForms);
void writeTiffPixels(const ByteFile& picture, const BmpLayout& layout, const GeoRaster& raster, ByteFile& output,
                     std::uint64_t pixelsStart);

// The whole run of the program, from its banner to its exit code.
int run(int argc, char** argv);

} // namespace passnetz
