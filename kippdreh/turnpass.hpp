// What a pass of the turn needs to know of the run. Both passes leave the
// same bytes: each output pixel ends with the last write that the source
// order makes to it, and the left-neighbour fill sees the output as that
// order leaves it.
#pragma once

#include "bmpheader.hpp"
#include "passoptions.hpp"
#include "rotationjob.hpp"
#include "turn.hpp"

#include <cmath>

namespace kippdreh {

struct TurnPass {
    const RotationGeometry& geometry;
    const BmpLayout& in;
    BmpLayout out;
    Turn turn;
    const PassOptions& options;
    // A small turn puts most source pixels just right of the one before:
    // they are placed in runs (at larger angles runs are too short to pay).
    bool inRuns = std::fabs(turn.sinT) < 0.25;
    // A turn by a quarter puts each source row into one output column.
    bool byQuarter = turnsByQuarter(turn);
    bool vectorForms = usesVectorForms(options);
};

} // namespace kippdreh
