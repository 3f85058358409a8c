// The user's own points for QGIS's georeferencer: the measurement file is
// read by messkart's reader, so its points carry the datum correction exactly
// as they entered messkart's fits, and it is taken only when messkart's fit
// of them gives the .INF's lines, so that the residuals QGIS shows are those
// of the calibration in use. A file named on the command line that does not
// belong is refused; one merely found beside the .INF is named in a warning
// and the points file keeps the grid.
#include "exportrun.hpp"

#include "calibrationfile.hpp"
#include "measurementfile.hpp"

#include "asciitext.hpp"
#include "bytefile.hpp"
#include "console.hpp"
#include "numberfields.hpp"
#include "outputfile.hpp"

#include <cerrno>

namespace passnetz {

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    const std::string_view end(lineEnd);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t stop = text.find(end, start);
        lines.push_back(text.substr(start, stop - start));
        start = stop + end.size();
    }
    return lines;
}

// The .INF's numbers in the run that messkart would have written them from.
messkart::CalibrationRun asWrittenBy(const Calibration& calibration) {
    messkart::CalibrationRun run;
    run.lonFit.slope = calibration.a;
    run.lonFit.intercept = calibration.b;
    run.latFit.slope = calibration.c;
    run.latFit.intercept = calibration.d;
    run.headerValue1 = calibration.headerValue1;
    run.headerValue2 = calibration.headerValue2;
    run.gpsFormat = calibration.gps;
    return run;
}

// Lines 1 to 4 are equal when they read as the same number: a .INF typed by
// hand may say 100 for 100.0000, and -0.0000 reads as 0.
bool sameLine(std::size_t index, const std::string& measured, const std::string& written) {
    if (measured == written) return true;
    if (index >= 4) return false;
    const std::optional<double> first = parseDecimalField(measured);
    const std::optional<double> second = parseDecimalField(written);
    return first && second && *first == *second;
}

// The measurement file read with messkart's reader and held against the .INF.
struct MeasurementReading {
    bool opened = false;
    std::vector<messkart::MeasuredPoint> points;
    std::string correctionWord;  // messkart's "mit" or "ohne"
    std::string problem;         // after the file's name; empty when it belongs
};

void useReading(ExportRun& run, MeasurementReading& reading) {
    run.measuredPoints = std::move(reading.points);
    consoleLine(run.pointsName + ": die " + integerText(static_cast<std::int64_t>(run.measuredPoints.size())) +
                " Messpunkte aus " + run.measurementName + " (" + reading.correctionWord + " WGS->PD-Korrektur).");
}

MeasurementReading readMeasurementFor(const std::string& measurementName, const std::string& calibrationName,
                                      const Calibration& calibration) {
    MeasurementReading reading;
    if (isFolder(measurementName)) return reading;
    messkart::CalibrationRun measured;
    measured.measurementFileName = measurementName;
    messkart::resetFit(measured.lonFit);
    messkart::resetFit(measured.latFit);
    measured.keptPoints = &reading.points;
    try {
        reading.opened = messkart::readMeasurements(measured);
    } catch (const messkart::FormatError& error) {
        reading.opened = true;
        reading.problem = "ist keine Messdatei fuer messkart (Formatfehler bei \"" + messkart::shownText(error.shown) +
                          "\")";
        return reading;
    }
    if (!reading.opened) return reading;
    reading.correctionWord = measured.correctionWord;
    reading.problem = calibrationMismatch(measured, calibrationName, calibration);
    return reading;
}

std::vector<std::string> measurementCandidates(const std::string& calibrationName) {
    // messkart names the .INF after its measurement file, whose extension a
    // Windows editor writes in capitals and a Linux user in small letters.
    return {replaceExtension(calibrationName, ".TXT"), replaceExtension(calibrationName, ".txt")};
}

} // namespace

std::string calibrationMismatch(const messkart::CalibrationRun& measured, const std::string& calibrationName,
                                const Calibration& calibration) {
    const std::vector<std::string> fitted = linesOf(messkart::calibrationText(measured));
    const std::vector<std::string> written = linesOf(messkart::calibrationText(asWrittenBy(calibration)));
    for (std::size_t index = 0; index < 7; ++index) {
        const std::string mine = index < fitted.size() ? fitted[index] : std::string();
        const std::string theirs = index < written.size() ? written[index] : std::string();
        if (sameLine(index, mine, theirs)) continue;
        auto shown = [](const std::string& line) { return line.empty() ? std::string("nichts") : line; };
        return "gehoert nicht zu " + calibrationName + ": ihre Punkte ergeben in Zeile " +
               integerText(static_cast<std::int64_t>(index + 1)) + " " + shown(mine) + ", " + calibrationName +
               " hat " + shown(theirs);
    }
    return {};
}

bool takeMeasuredPoints(ExportRun& run) {
    if (run.measurementNamed) {
        MeasurementReading reading = readMeasurementFor(run.measurementName, run.calibrationName, run.calibration);
        if (!reading.opened) return refuse(run.measurementName + ": Datei nicht gefunden oder nicht lesbar.");
        if (!reading.problem.empty()) return refuse(run.measurementName + " " + reading.problem + ".");
        useReading(run, reading);
        return true;
    }
    std::vector<std::string> warnings;
    std::string previous;
    for (const std::string& candidate : measurementCandidates(run.calibrationName)) {
        // The .INF itself, or the same file under its other spelling, is no further candidate.
        if (upperCaseAscii(candidate) == upperCaseAscii(run.calibrationName)) continue;
        if (!previous.empty() && sameFileOnDisk(previous, candidate)) continue;
        ByteFile probe;
        const int error = probe.tryOpenForReading(candidate);
        probe.close();
        if (error == ENOENT || isFolder(candidate)) continue;
        previous = candidate;
        MeasurementReading reading = readMeasurementFor(candidate, run.calibrationName, run.calibration);
        if (!reading.opened) {
            warnings.push_back(candidate + " ist nicht lesbar");
        } else if (!reading.problem.empty()) {
            warnings.push_back(candidate + " " + reading.problem);
        } else {
            run.measurementName = candidate;
            useReading(run, reading);
            return true;
        }
    }
    for (const std::string& warning : warnings) consoleLine("Warnung: " + warning + ".");
    if (!warnings.empty()) {
        consoleLine(run.pointsName + " traegt deshalb das Netz der Passpunkte, nicht die gemessenen.");
    }
    return true;
}

} // namespace passnetz
