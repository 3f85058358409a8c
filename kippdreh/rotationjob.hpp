// The rotation tool's state for one run: what the command line asked for,
// the input's header and layout, and the sizes of the turned picture.
#pragma once

#include "bmpheader.hpp"
#include "bytefile.hpp"

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

} // namespace kippdreh
