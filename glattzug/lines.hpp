// One line of the picture (a row in mode h, a column in mode v): its frame
// edges and its stretch. The line is reached through two callables, readAt(q)
// giving the source pixel at position q and writeAt(q, pixel) storing a pixel
// at target position q, so that the rules here do not depend on how pixels
// travel to and from the files.
#pragma once

#include "bmpheader.hpp"
#include "checked.hpp"
#include "pixelio.hpp"
#include "hyperbolic.hpp"

#include <cstdint>

namespace glattzug {

enum class LineKind { Row, Column };

struct PictureLine {
    LineKind kind = LineKind::Row;
    std::int32_t index = 0;   // y of a row (0 = top), x of a column (0 = leftmost)
};

// Lines of a kind in the picture, and positions on each, from 0 (top row or
// leftmost column; leftmost or top pixel) on.
std::int32_t lineCount(const BmpLayout& layout, LineKind kind);
std::int32_t lineLength(const BmpLayout& layout, LineKind kind);
std::int32_t positionOffset(const BmpLayout& layout, const PictureLine& line, std::int32_t q);

struct FrameEdges {
    std::int32_t innerStart = 0;  // first pixel that is not frame blue, or the length
    std::int32_t innerEnd = 0;    // last pixel that is not frame blue
    bool stretched = false;       // innerEnd > innerStart
};

// Blue 255, green 0, red 0, exactly.
inline bool isFrameBlue(const Pixel& pixel) { return pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 0; }

template <typename ReadAt>
FrameEdges scanFrameEdges(std::int32_t n, ReadAt&& readAt) {
    FrameEdges edges;
    edges.innerStart = 0;
    for (std::int32_t probe = 0; probe < n; ++probe) {
        if (!isFrameBlue(readAt(edges.innerStart))) break;
        edges.innerStart = checkedAdd(edges.innerStart, 1);
    }
    if (edges.innerStart == n) return edges;
    edges.innerEnd = checkedSub(n, 1);
    std::int32_t probes = checkedSub(n, edges.innerStart);
    for (std::int32_t probe = 0; probe < probes; ++probe) {
        if (!isFrameBlue(readAt(edges.innerEnd))) break;
        edges.innerEnd = checkedSub(edges.innerEnd, 1);
    }
    edges.stretched = edges.innerEnd > edges.innerStart;
    return edges;
}

// Whether the line begins or ends with frame blue: a frame was drawn there.
bool touchesFrame(const FrameEdges& edges, std::int32_t n);

// The frame edges of one line of the input.
FrameEdges findFrameEdges(const PixelInput& input, const BmpLayout& layout, std::int32_t n, const PictureLine& line);

// v = (n - 1) / (s1 - s0) x (s - s0): quotient and product in extended
// precision, stored as a double.
double linearPosition(std::int32_t n, const FrameEdges& edges, std::int32_t s);

// The last target position that source position s fills: v rounded half to
// even, or, with coefficients of the hyperbolic mapping, hyperbolicRow(latitudeAtRow(v)).
std::int32_t targetPosition(const HyperbolicCoefficients* hyperbolic, std::int32_t n, const FrameEdges& edges,
                            std::int32_t s);

// Each source pixel from innerStart to innerEnd, read in turn, fills the
// target positions from the first one not yet written up to its target.
template <typename TargetOf, typename ReadAt, typename WriteAt>
void stretchLine(const FrameEdges& edges, TargetOf&& targetOf, ReadAt&& readAt, WriteAt&& writeAt) {
    std::int32_t nextTarget = 0;
    for (std::int32_t s = edges.innerStart; s <= edges.innerEnd; ++s) {
        auto pixel = readAt(s);
        std::int32_t t = targetOf(s);
        for (std::int32_t q = nextTarget; q <= t; ++q) writeAt(q, pixel);
        nextTarget = checkedAdd(t, 1);
    }
}

} // namespace glattzug
