// The two ways the main pass of a turn places the source pixels. Both leave
// the same bytes: each output pixel ends with the last write that the source
// order makes to it, and the left-neighbour fill sees the output as that
// order leaves it.
#pragma once

#include "pixelio.hpp"
#include "rotationjob.hpp"
#include "turn.hpp"

#include <cmath>

namespace kippdreh {

// What a pass needs to know of the run.
struct TurnPass {
    const RotationGeometry& geometry;
    const BmpLayout& in;
    BmpLayout out;
    Turn turn;
    // A small turn puts most source pixels just right of the one before:
    // they are placed in runs (at larger angles runs are too short to pay).
    bool inRuns = std::fabs(turn.sinT) < 0.25;
    // A turn by a quarter puts each source row into one output column.
    bool byQuarter = turnsByQuarter(turn);
};

// Pixel by pixel in the source order, every access checked: for an input
// that ends inside its picture and for files that cannot be viewed.
void placeInSourceOrder(const TurnPass& pass, const PixelInput& input, PixelOutput& output);

// Whether the pass by output rows may run: the whole input inside its file
// and, unless the turn is small enough to read it in a window of rows,
// viewed; every target inside the output, no pixel data within the header.
bool mayPlaceByOutputRows(const TurnPass& pass, PixelInput& input, std::int64_t extent, int threads);

// For tests: whether the pass by output rows may read its source rows in a
// window (the default), or must view the input.
void allowSourceWindow(bool allow);

// Bands of output rows assembled in memory, each from the source pixels that
// land in it in the source order, on up to threads threads at once.
void placeByOutputRows(const TurnPass& pass, const PixelInput& input, PixelOutput& output, int threads);

} // namespace kippdreh
