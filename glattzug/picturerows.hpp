// Picture rows read from the file into memory, a run of rows at a time: rows
// are stored bottom-up, next to each other with their fill bytes, so that the
// picture rows first ... end - 1 are one run of bytes of the file.
#pragma once

#include "bmpheader.hpp"
#include "pixelio.hpp"
#include "rowrange.hpp"
#include "workbuffer.hpp"

#include <cstdint>
#include <vector>

namespace glattzug {

// Rows in memory: rowAt[y] is where picture row y starts, for the rows of the
// run last placed.
struct RowsInMemory {
    WorkBuffer buffer;
    std::vector<const unsigned char*> rowAt;
};

// The bytes that a run of rows takes, from the first pixel of its lowest
// stored row to the last pixel of its highest.
std::size_t bytesOfRun(const BmpLayout& layout, RowRange run);

// Reads the run with one read of the file into rows, replacing what they
// held; or, where a view of the input is given, points into the view instead.
// Every row of the run must lie inside the picture, and the picture inside
// the input.
void placeRun(const PixelInput& input, const BmpLayout& layout, RowRange run, const unsigned char* view,
              RowsInMemory& rows);

// The same, where only the pixels of some columns (in ascending order) are
// wanted: where the rows are long and the columns few, it reads the pieces of
// the rows that hold them, and leaves the rest of the rows undefined.
void placeColumnsOfRun(const PixelInput& input, const BmpLayout& layout, RowRange run,
                       const std::vector<std::int32_t>& columns, RowsInMemory& rows);

} // namespace glattzug
