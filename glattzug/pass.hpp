// One pass of the rectifier over every row (mode h) or every column (mode v),
// and its two ways: line by line as the rule reads, or from tables of
// sources, row after row of the file, where that gives the same bytes.
#pragma once

#include "hyperbolic.hpp"
#include "lines.hpp"
#include "picturerows.hpp"
#include "pixelio.hpp"
#include "rectifystate.hpp"

#include <cstdint>
#include <vector>

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

// Every line as the plain rule goes: probe the frame, then read each inner
// pixel and write its run of targets, one pixel at a time.
void stretchLineByLine(Pass& pass, PixelOutput& output);

// The frame edges of a row held in memory, by the rule's own scan.
FrameEdges rowFrameEdges(const unsigned char* row, std::int32_t width);

// The frame edges of every column, from runs of rows read through the file on
// as many threads as rows are given. The picture must lie wholly inside the input.
std::vector<FrameEdges> columnFrameEdgesThroughFile(const Pass& pass, std::vector<RowsInMemory>& rows);

// The same result from tables, one stored row at a time; false, with nothing
// written, where tables cannot give the same bytes.
bool stretchFromTables(Pass& pass);

} // namespace glattzug
