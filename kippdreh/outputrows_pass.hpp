// The turn by bands of output rows, each assembled in memory from the source
// pixels that land in it, in the source order, and written whole by the band
// engine. It is planned once, and the plan is what the pass consumes.
#pragma once

#include "pixelio.hpp"
#include "rowrange.hpp"
#include "turnpass.hpp"

#include <optional>
#include <vector>

namespace kippdreh {

struct OutputRowsPlan {
    std::int32_t rowsPerBand = 0;
    std::int32_t bands = 0;
    // Where the turn is small enough: the source rows of each band, moving
    // down, read through the file into a ring of windowCapacity rows. Empty
    // (capacity 0) where the source rows must be viewed.
    std::vector<RowRange> windowRows;
    std::int32_t windowCapacity = 0;
};

// The plan, or none where the pass may not run: the whole picture must lie
// inside the input (of inputLength bytes) and behind the header, every target
// inside the output, and the writes' extent below 2^31.
std::optional<OutputRowsPlan> planOutputRows(const TurnPass& pass, std::int64_t inputLength, std::int64_t extent);

// Runs the planned pass. Without a window, the input must be viewed.
void placeByOutputRows(const TurnPass& pass, const OutputRowsPlan& plan, const PixelInput& input, PixelOutput& output);

} // namespace kippdreh
