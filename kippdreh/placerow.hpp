// Placing the pixels of one source row that land in a part of a band of
// output rows, in the source order. Each returns the end of the furthest
// pixel placed, as an offset in the band's bytes, or 0 when none was.
#pragma once

#include "passes.hpp"

#include <cstddef>
#include <cstdint>

namespace kippdreh {

// A part of a band of output rows: its rows, and the columns firstColumn ...
// endColumn - 1 that it builds. Pixels that land in column endColumn are
// placed as well, so that their fills of the column before come in the
// source order; the next part clears that column again before it starts, and
// its own pixels in its first column leave the column before them alone.
struct BandPart {
    std::int32_t firstRow;
    std::int32_t endRow;
    std::int32_t firstColumn;
    std::int32_t endColumn;
};

// Pixel by pixel, from their targets: pixel holds count pixels.
std::size_t placeEach(const TurnPass& pass, const BandPart& part, const unsigned char* pixel, std::int32_t count,
                      std::int32_t* columns, const std::int32_t* targetRows, unsigned char* band);

// The same for a small turn, in runs of pixels that land side by side.
std::size_t placeInRuns(const TurnPass& pass, const BandPart& part, const unsigned char* pixel, std::int32_t count,
                        const std::int32_t* columns, const std::int32_t* targetRows, unsigned char* band);

// For a turn by a quarter: the pixels first ... first + count - 1 of source
// row y, pixel at the first of them.
std::size_t placeQuarterTurned(const TurnPass& pass, const BandPart& part, std::int32_t y, std::int32_t first,
                               std::int32_t count, const unsigned char* pixel, unsigned char* band);

} // namespace kippdreh
