// The .INF calibration file: its name, its text, and its writing through a
// temporary, or in place where the folder allows no new file.
#include "calibrationfile.hpp"

#include "bytefile.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "outputfile.hpp"
#include "temporaryfile.hpp"
#include "testpause.hpp"

#include <cerrno>
#include <charconv>

namespace messkart {

namespace {

[[noreturn]] void refuseToWrite(const std::string& name) {
    consoleLine(name + ":Schreib-Fehler. [Return] druecken.");
    readInputLine();
    throw ExitRequest{1};
}

// A target that could not be opened for writing is refused, as a plain
// create would refuse it; the replacement below would not notice.
bool targetRefusesWriting(const std::string& name) {
    ByteFile existing;
    int error = existing.tryOpenForUpdate(name);
    return error != 0 && error != ENOENT;
}

// The folder allows no new file: the calibration file itself is rewritten.
// The new text goes in with one write from its start and only then is the
// file cut to its length, with interrupts held back in between, so that a
// run stopped at any moment leaves the old calibration or the whole new one.
void rewriteInPlace(const std::string& name, const std::string& text) {
    ByteFile file;
    if (file.tryOpenOrCreate(name) != 0) refuseToWrite(name);
    pauseForTest("before-rename", name);
    holdInterrupts(true);
    int error = 0;
    if (!file.tryWriteAt(0, text.data(), text.size(), error)) {
        holdInterrupts(false);
        raiseIoFailure(error);
    }
    error = file.tryTruncate(static_cast<std::int64_t>(text.size()));
    holdInterrupts(false);
    if (error != 0) raiseIoFailure(error);
    if (int synced = file.trySync()) raiseIoFailure(synced);
    file.close();
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
    if (targetRefusesWriting(name)) refuseToWrite(name);
    const std::string text = calibrationText(run);
    // Written to a new file beside it that takes its place only when complete
    // and on the disk, so that a failed or interrupted run leaves an earlier
    // calibration as it was. It keeps the old file's owner where the runner
    // may set it, and its access list or permission bits: access never widens.
    if (replaceWithText(name, text) != 0) rewriteInPlace(name, text);

    consoleLine();
    consoleLine(name + " geschrieben " + run.correctionWord + " WGS->PD-Korrektur. Format:" +
                (run.gpsFormat ? "WGS" : "PD"));
    consoleLine("[Return] druecken.");
    readInputLine();
}

} // namespace messkart
