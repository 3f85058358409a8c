// Placing the pixels of one source row that land in a part of a band of
// output rows, in the source order. Each returns the end of the furthest
// pixel placed, as an offset in the band's bytes, or 0 when none was.
#pragma once

#include "turnpass.hpp"

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

// The searches of the placing, each in a vector and a plain form that give
// the same result (vectorForms chooses; tests run one against the other).
// The end of the run of pixels from i on that land side by side in one row:
// pixel j belongs to it while it lands in pixel i's row, j - i columns right.
std::int32_t runEnd(const std::int32_t* columns, const std::int32_t* targetRows, std::int32_t i, std::int32_t count,
                    bool vectorForms);
// The gap rule within a run placed at target: each black pixel of the run
// but its last takes the pixel after it; wordAtATime passes eight bytes
// without a zero at once.
void fillBlackPixels(const unsigned char* run, std::size_t length, unsigned char* target, bool wordAtATime);

} // namespace kippdreh
