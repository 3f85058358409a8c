// What one pass of the rectifier over every row (mode h) or every column
// (mode v) knows: the run's state, the lines, their length and mapping, and
// whether a frame was seen.
#pragma once

#include "hyperbolic.hpp"
#include "lines.hpp"
#include "picturerows.hpp"
#include "pixelio.hpp"
#include "rectifystate.hpp"

#include <cstdint>

namespace glattzug {

struct Pass {
    RectifyState& state;
    LineKind kind;
    std::int32_t lines;    // N
    std::int32_t length;   // n
    const HyperbolicCoefficients* hyperbolic;  // null for the linear stretch
    PixelInput& input;
    bool frameSeen = false;  // some line begins or ends with frame blue

    std::int32_t targetOf(const FrameEdges& edges, std::int32_t s) const {
        return targetPosition(hyperbolic, length, edges, s);
    }
};

} // namespace glattzug
