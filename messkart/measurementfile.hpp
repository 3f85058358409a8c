// The measurement file read line by line into the run's fits and corrections.
#pragma once

#include "calibrationrun.hpp"

#include <string>
#include <string_view>

namespace messkart {

// A field that cannot be read: shown is its line as far as it was not consumed.
struct FormatError {
    std::string shown;
};

// Reads the file named in the run without a word on the console: false when
// it cannot be opened, FormatError thrown at the first field that fails.
bool readMeasurements(CalibrationRun& run);
// messkart's reading: a file it cannot open or read ends the run with its message.
void readMeasurementFile(CalibrationRun& run);
bool isSkippedLine(std::string_view line);
// The file's own bytes as the console may show them.
std::string shownText(std::string_view text);
[[noreturn]] void stopOnFormatError(std::string_view text);

} // namespace messkart
