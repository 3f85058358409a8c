// The report of messkartbericht: one line a fact, a word and its values.
//   kommentar <text>      a line beginning with "*", without the "*"
//   wgs <values>          a correction line, after its keyword and blank
//   gps                   a GPS line
//   daten <x> <longitude> <y> <latitude>[ <name>]   a data line's fields as written
//   zeile <n> <field>...  data line n does not read: x, laenge, y, breite, or
//                         pol for a latitude beyond a pole
//   gelesen <v1> <v2>     the whole file was read; the header's two values
//   punkt <n> <longitude> <latitude> <sinh> <x> <y> <dx> <dy>
//                         a fitted point: its corrected degrees, the sinh its
//                         latitude entered the fit with, the pixel the fit
//                         puts it at and that pixel less the one measured
//   fit <a> <b> <c> <d>   the coefficients as the .INF holds them, unrounded
//   korrektur <lon> <lat> the corrections in degrees
//   rms <both> <x> <y>    the root mean square of the distances and of dx, dy
// Real numbers are written with 17 significant digits, which read back
// exactly and are the same text wherever the library rounds correctly.
#include "deskreport.hpp"

#include "calibrationfile.hpp"
#include "main.hpp"
#include "measurementfile.hpp"

#include "angles.hpp"
#include "checked.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "numberfields.hpp"
#include "outputfile.hpp"
#include "realmath.hpp"
#include "runtool.hpp"
#include "temporaryfile.hpp"

#include <algorithm>
#include <charconv>
#include <vector>

namespace messkart {
namespace {

struct FittedPoint {
    std::int32_t number;
    MeasuredPoint point;
};

struct DeskReport {
    bool checking = false;
    std::vector<std::int32_t> leftOut;  // sorted
    std::int32_t dataLines = 0;
    std::vector<FittedPoint> points;
    std::string text;
};

std::string realText(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 16);
    return std::string(buffer, result.ptr);
}

void addLine(DeskReport& report, std::string_view word, std::string_view rest = {}) {
    report.text += word;
    if (!rest.empty()) {
        report.text += ' ';
        report.text += rest;
    }
    report.text += lineEnd;
}

// The name after the latitude, its runs of blanks made one.
std::string nameText(std::string_view after) {
    std::string name;
    for (char c : after) {
        if (c != ' ' || name.empty() || name.back() != ' ') name += c;
    }
    return name;
}

// The fields that do not read, in the words of the report.
std::string fieldProblems(const DataFields& cut) {
    std::string problems;
    auto add = [&](std::string_view word) {
        if (!problems.empty()) problems += ' ';
        problems += word;
    };
    if (!parseIntegerField(cut.field[0])) add("x");
    if (!parseAngle(cut.field[1])) add("laenge");
    if (!parseIntegerField(cut.field[2])) add("y");
    std::optional<double> latitude = parseAngle(cut.field[3]);
    if (!latitude) {
        add("breite");
    } else if (beyondPole(*latitude)) {
        add("pol");
    }
    return problems;
}

void seeSkippedLine(void* context, std::string_view line) {
    if (!line.empty()) addLine(*static_cast<DeskReport*>(context), "kommentar", line.substr(1));
}

void seeBodyLine(void* context, CalibrationRun& run, std::string_view line) {
    DeskReport& report = *static_cast<DeskReport*>(context);
    const BodyLineKind kind = bodyLineKind(line);
    if (kind != BodyLineKind::Data) {
        readBodyLine(run, line);
        if (kind == BodyLineKind::Correction) addLine(report, "wgs", line.substr(4));
        if (kind == BodyLineKind::Gps) addLine(report, "gps");
        return;
    }
    const std::int32_t number = report.dataLines = checkedAdd(report.dataLines, 1);
    const DataFields cut = splitDataLine(line);
    if (report.checking) {
        const std::string problems = fieldProblems(cut);
        if (!problems.empty()) {
            addLine(report, "zeile", integerText(number) + ' ' + problems);
            return;
        }
        if (std::binary_search(report.leftOut.begin(), report.leftOut.end(), number)) return;
    }
    report.points.push_back({number, readDataLine(run, line)});
    if (!report.checking) {
        std::string fields = std::string(cut.field[0]) + ' ' + std::string(cut.field[1]) + ' ' +
                             std::string(cut.field[2]) + ' ' + std::string(cut.field[3]);
        if (!cut.after.empty()) fields += ' ' + nameText(cut.after);
        addLine(report, "daten", fields);
    }
}

void addFit(DeskReport& report, const CalibrationRun& run) {
    const LineFit& lon = run.lonFit;
    const LineFit& lat = run.latFit;
    extended squaresX = 0, squaresY = 0;
    for (const FittedPoint& fitted : report.points) {
        const MeasuredPoint& p = fitted.point;
        const double x = storeDouble(static_cast<extended>(lon.slope) * p.longitude + lon.intercept);
        const double y = storeDouble(static_cast<extended>(lat.slope) * p.scale + lat.intercept);
        const double dx = storeDouble(static_cast<extended>(x) - p.x);
        const double dy = storeDouble(static_cast<extended>(y) - p.y);
        squaresX += static_cast<extended>(dx) * dx;
        squaresY += static_cast<extended>(dy) * dy;
        addLine(report, "punkt",
                integerText(fitted.number) + ' ' + realText(p.longitude) + ' ' + realText(p.latitude) + ' ' +
                    realText(p.scale) + ' ' + realText(x) + ' ' + realText(y) + ' ' + realText(dx) + ' ' +
                    realText(dy));
    }
    addLine(report, "fit",
            realText(lon.slope) + ' ' + realText(lon.intercept) + ' ' + realText(lat.slope) + ' ' +
                realText(lat.intercept));
    addLine(report, "korrektur", realText(run.lonCorrection) + ' ' + realText(run.latCorrection));
    const extended count = static_cast<extended>(report.points.size());
    addLine(report, "rms",
            realText(storeDouble(extendedSqrt((squaresX + squaresY) / count))) + ' ' +
                realText(storeDouble(extendedSqrt(squaresX / count))) + ' ' +
                realText(storeDouble(extendedSqrt(squaresY / count))));
}

void writeReport(const CalibrationRun& run, const DeskReport& report) {
    const std::string name = replaceExtension(run.measurementFileName, ".BER");
    const int error = replaceWithText(name, report.text);
    if (error != 0) raiseIoFailure(error);
}

int reportRun(int argc, char** argv) {
    if (argc < 2) return 1;
    CalibrationRun run;
    run.measurementFileName = argv[1];
    DeskReport report;
    report.checking = argc > 2 && std::string_view(argv[2]) == "pruefen";
    for (int k = 3; report.checking && k < argc; ++k) {
        if (std::optional<std::int32_t> number = parseIntegerField(argv[k])) report.leftOut.push_back(*number);
    }
    std::sort(report.leftOut.begin(), report.leftOut.end());
    try {
        refuseMeasurementAsCalibration(run);
        resetFit(run.lonFit);
        resetFit(run.latFit);
        readMeasurementFile(run, LineHooks{&report, seeSkippedLine, seeBodyLine});
        addLine(report, "gelesen", integerText(run.headerValue1) + ' ' + integerText(run.headerValue2));
        stopIfUnsuitable(run);
        writeCalibrationFile(run);
    } catch (const ExitRequest&) {
        writeReport(run, report);
        throw;
    }
    addFit(report, run);
    writeReport(run, report);
    return 0;
}

} // namespace

int deskReportRun(int argc, char** argv) { return runTool(argc, argv, "messkart", reportRun); }

} // namespace messkart
