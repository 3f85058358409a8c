#include "calibrationrun.hpp"

#include "bytefile.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "outputfile.hpp"
#include "platform.hpp"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <utility>

namespace {

[[noreturn]] void refuseToWrite(const std::string& name) {
    consoleLine(name + ":Schreib-Fehler. [Return] druecken.");
    pauseForReturn();
    throw ExitRequest{1};
}

// A target that could not be opened for writing is refused, as a plain
// create would refuse it; the replacement below would not notice.
bool targetRefusesWriting(const std::string& name) {
    ByteFile existing;
    int error = existing.tryOpenForUpdate(name);
    return error != 0 && error != ENOENT;
}

// A new file beside the calibration file, named so that it cannot clash.
int createTemporary(const std::string& name, std::string& temporaryName) {
    const std::size_t slash = name.find_last_of("/\\:");
    const std::string directory = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporaryName = directory + ".messkart-" + std::to_string(platform::processId()) + "-" + std::to_string(attempt);
        int error = 0;
        int fd = platform::createExclusive(temporaryName, error);
        if (fd >= 0 || error != EEXIST) return fd;
    }
    return -1;
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
    pauseForReturn();
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
    // Written under a temporary name and renamed over the old file only when
    // complete, so a failed write leaves an earlier calibration as it was.
    std::string temporaryName;
    int fd = createTemporary(name, temporaryName);
    if (fd < 0) refuseToWrite(name);
    try {
        const std::string text = calibrationText(run);
        std::int64_t written = 0;
        while (written < static_cast<std::int64_t>(text.size())) {
            int error = 0;
            std::int64_t put = platform::writeAt(fd, text.data() + written, text.size() - static_cast<std::size_t>(written),
                                                 written, error);
            if (put < 0) raiseIoFailure(error);
            if (put == 0) raiseFailure(FailureKind::DiskFull);
            written += put;
        }
        if (int error = platform::closeFile(std::exchange(fd, -1))) raiseIoFailure(error);
        if (int error = platform::replaceFile(temporaryName, name)) raiseIoFailure(error);
    } catch (const RunFailure&) {
        if (fd >= 0) platform::closeFile(fd);
        std::remove(temporaryName.c_str());
        throw;
    }

    consoleLine();
    consoleLine(name + " geschrieben " + run.correctionWord + " WGS->PD-Korrektur. Format:" +
                (run.gpsFormat ? "WGS" : "PD"));
    consoleLine("[Return] druecken.");
    pauseForReturn();
}
