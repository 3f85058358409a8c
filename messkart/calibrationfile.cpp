#include "calibrationrun.hpp"

#include "console.hpp"
#include "failure.hpp"
#include "outputfile.hpp"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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
    int fd = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat info {};
        bool directory = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
        ::close(fd);
        return directory;
    }
    return errno != ENOENT;
}

void writeLine(int fd, std::string_view line) {
    while (!line.empty()) {
        ssize_t written = ::write(fd, line.data(), line.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            raiseIoFailure(errno);
        }
        if (written == 0) raiseFailure(FailureKind::DiskFull);
        line.remove_prefix(static_cast<std::size_t>(written));
    }
}

mode_t createdFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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
    const std::size_t slash = name.rfind('/');
    std::string temporaryName =
        (slash == std::string::npos ? std::string() : name.substr(0, slash + 1)) + ".messkart-XXXXXX";
    int fd = ::mkostemp(temporaryName.data(), O_CLOEXEC);
    if (fd < 0) refuseToWrite(name);
    try {
        if (::fchmod(fd, createdFileMode()) != 0) raiseIoFailure(errno);
        const std::string text = calibrationText(run);
        std::string_view rest = text;
        while (!rest.empty()) {
            std::string_view line = rest.substr(0, rest.find('\n') + 1);
            writeLine(fd, line);
            rest.remove_prefix(line.size());
        }
        if (::close(std::exchange(fd, -1)) != 0 && errno != EINTR) raiseIoFailure(errno);
        if (::rename(temporaryName.c_str(), name.c_str()) != 0) raiseIoFailure(errno);
    } catch (const RunFailure&) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaryName.c_str());
        throw;
    }

    consoleLine();
    consoleLine(name + " geschrieben " + run.correctionWord + " WGS->PD-Korrektur. Format:" +
                (run.gpsFormat ? "WGS" : "PD"));
    consoleLine("[Return] druecken.");
    pauseForReturn();
}
