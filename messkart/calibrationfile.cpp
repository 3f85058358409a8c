// The .INF calibration file: its name, its text, and its writing through a
// temporary beside it.
#include "calibrationfile.hpp"

#include "bytefile.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "outputfile.hpp"
#include "temporaryfile.hpp"

#include <cerrno>
#include <charconv>

namespace messkart {

namespace {

[[noreturn]] void refuseToWrite(const std::string& name) {
    consoleLine(name + ":Schreib-Fehler. [Return] druecken.");
    readInputLine();
    throw ExitRequest{1};
}

// 0 when the target can be opened for writing, ENOENT when there is none,
// else the error: a target that refuses writing is refused as a plain create
// would refuse it; the replacement below would not notice.
int targetWritability(const std::string& name) {
    ByteFile existing;
    return existing.tryOpenForUpdate(name);
}

// The folder takes no new file (no right to write in it, no room for one
// more), but the old calibration could be overwritten. Rewriting it in place
// cannot be made safe: a kill or a power loss between the write and the cut
// leaves new bytes before the old file's tail, which a reader may take for a
// calibration. The old file stays, and the user is told what to do.
[[noreturn]] void refuseRewritingInPlace(const std::string& name) {
    consoleLine(name + ":Schreib-Fehler. Der Ordner nimmt keine neue Datei auf; die alte Datei bleibt unveraendert.");
    consoleLine("Schreibrecht oder Platz im Ordner schaffen oder die Textdatei in einen anderen Ordner kopieren. "
                "[Return] druecken.");
    readInputLine();
    throw ExitRequest{1};
}

} // namespace

std::string calibrationFileName(const CalibrationRun& run) {
    return replaceExtension(run.measurementFileName, ".INF");
}

void refuseMeasurementAsCalibration(const CalibrationRun& run) {
    if (!outputWouldReplaceInput(run.measurementFileName, ".INF", calibrationFileName(run))) return;
    consoleLine();
    consoleLine(run.measurementFileName +
                " : Die Messdatei waere selbst die .INF-Datei, Abbruch. [Return] druecken.");
    readInputLine();
    throw ExitRequest{1};
}

std::string realNumberText(double value) {
    if (value == 0.0) value = 0.0;  // a negative zero is not negative
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    return std::string(buffer, result.ptr);
}

std::string calibrationText(const CalibrationRun& run) {
    std::string text;
    for (double value : {run.lonFit.slope, run.lonFit.intercept, run.latFit.slope, run.latFit.intercept}) {
        text += realNumberText(value);
        text += lineEnd;
    }
    text += integerText(run.headerValue1);
    text += lineEnd;
    text += integerText(run.headerValue2);
    text += lineEnd;
    if (run.gpsFormat) {
        text += "GPS";
        text += lineEnd;
    }
    return text;
}

void writeCalibrationFile(const CalibrationRun& run) {
    const std::string name = calibrationFileName(run);
    const int writability = targetWritability(name);
    if (writability != 0 && writability != ENOENT) refuseToWrite(name);
    const std::string text = calibrationText(run);
    // Written to a new file beside it that takes its place only when complete
    // and on the disk, so that a failed or interrupted run leaves an earlier
    // calibration as it was. It keeps the old file's owner where the runner
    // may set it, and its access list or permission bits: access never widens.
    if (replaceWithText(name, text) != 0) {
        if (writability == 0) refuseRewritingInPlace(name);
        refuseToWrite(name);
    }

    consoleLine();
    consoleLine(name + " geschrieben " + run.correctionWord + " WGS->PD-Korrektur. Format:" +
                (run.gpsFormat ? "WGS" : "PD"));
    consoleLine("[Return] druecken.");
    readInputLine();
}

} // namespace messkart
