// The .INF calibration file written.
#include "calibrationfile.hpp"

#include "bytefile.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "outputfile.hpp"
#include "process.hpp"

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

// A new file beside the calibration file, named so that it cannot clash;
// empty when the folder does not let one be made.
std::string createTemporary(const std::string& name, ByteFile& file) {
    const std::size_t slash = name.find_last_of("/\\:");
    const std::string directory = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string temporaryName = directory + ".messkart-" + std::to_string(processNumber()) + "-" + std::to_string(attempt);
        int error = file.tryCreateExclusive(temporaryName);
        if (error == 0) return temporaryName;
        if (error != EEXIST) break;
    }
    return {};
}

void writeWhole(ByteFile& file, const std::string& text) {
    file.writeAt(0, text.data(), text.size());
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
    // Written under a temporary name and put in place only when complete, so
    // a failed write leaves an earlier calibration as it was, with its
    // permissions. A folder that allows no new file gets the plain create.
    ByteFile file;
    const std::string temporaryName = createTemporary(name, file);
    if (temporaryName.empty()) {
        if (file.tryCreate(name) != 0) refuseToWrite(name);
        writeWhole(file, text);
    } else {
        try {
            if (int error = file.tryCopyPermissionsOf(name); error != 0 && error != ENOENT) raiseIoFailure(error);
            writeWhole(file, text);
            if (int error = replaceFile(temporaryName, name)) raiseIoFailure(error);
        } catch (...) {
            file = ByteFile();
            removeFile(temporaryName);
            throw;
        }
    }

    consoleLine();
    consoleLine(name + " geschrieben " + run.correctionWord + " WGS->PD-Korrektur. Format:" +
                (run.gpsFormat ? "WGS" : "PD"));
    consoleLine("[Return] druecken.");
    readInputLine();
}

} // namespace messkart
