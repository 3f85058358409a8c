// The rotation tool's state for one run.
#pragma once

#include "bmpheader.hpp"
#include "bytefile.hpp"
#include "passoptions.hpp"

#include <cstdint>
#include <string>

namespace kippdreh {

enum class RotationMode { Degrees, ShiftX, ShiftY };

// The sizes of a run: the centre, the rotated size and where the input sits in it.
struct RotationGeometry {
    std::int32_t halfWidth = 0;
    std::int32_t halfHeight = 0;
    std::int32_t newWidth = 0;
    std::int32_t newHeight = 0;
    std::int32_t marginX = 0;   // columns added at each side; negative for flat strips
    std::int32_t marginY = 0;   // rows added above and below
    std::int32_t outputSize = 0;  // bytes pre-filled: newWidth * newHeight * 3 + 54
};

struct RotationJob {
    std::string typedName;   // the first argument as typed: the input is opened under it
    std::string inputName;   // as shown: the last component upper-cased
    std::string outputName;
    RotationMode mode = RotationMode::Degrees;
    std::int32_t shift = 0;
    double angle = 0.0;      // radians, positive turns clockwise
    BmpHeader header{};
    BmpLayout layout{};
    RotationGeometry geometry{};
};

// Reads the command line into job; shows the help text (and ends the run) on any fault.
void parseArguments(RotationJob& job, int argc, char** argv);
[[noreturn]] void showUsage();

// The work step from opening the input to closing the output. False after a
// failure that it has reported itself, with its pause.
bool runRotation(RotationJob& job, const PassOptions& options = defaultPassOptions());

// Sets job.angle from the shift in the shift modes.
void computeAngle(RotationJob& job);

// The rotated size and margins; stores them in the header. Refuses a size
// that the header or a 32-bit file offset cannot hold.
StepMessage computeGeometry(RotationJob& job);

// Angle in degrees as the rotation report shows it: two decimals.
std::string degreesText(double angle);

// The pixel pass (the result is the same for any options).
void rotatePixels(const RotationJob& job, const ByteFile& input, ByteFile& output, const PassOptions& options);

// The whole run of the program, from its banner to its exit code, in the
// run frame that turns a failed check into the failure report.
int run(int argc, char** argv);

} // namespace kippdreh
