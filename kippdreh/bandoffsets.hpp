// Where the targets of a source row's pixels lie in a part of a band of
// output rows, as byte offsets in the band's bytes.
#pragma once

#include <cstdint>

namespace kippdreh {

struct BandFrame {
    std::int32_t marginX;      // output column = target column + marginX
    std::int32_t lastRow;      // band row = lastRow - target row
    std::int32_t rows;
    std::int32_t rowBytes;
    std::int32_t firstColumn;  // the part's columns, endColumn included
    std::int32_t endColumn;
};

// A target outside the part; one in the part's first column, which leaves
// the column before it alone, as firstColumnAt - offset (so below -1).
constexpr std::int32_t outsideBand = -1;
constexpr std::int32_t firstColumnAt = -2;

// The offsets of count targets into offsets (which may be columns itself);
// returns the end of the furthest target inside the part, or 0. vectorForms:
// eight at a time with AVX2 (the processor must have it), else one by one.
std::int32_t bandOffsets(const BandFrame& frame, const std::int32_t* columns, const std::int32_t* targetRows,
                         std::int32_t count, std::int32_t* offsets, bool vectorForms);

} // namespace kippdreh
