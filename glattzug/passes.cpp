#include "lines.hpp"

#include "console.hpp"
#include "realmath.hpp"

double linearPosition(std::int32_t n, const FrameEdges& edges, std::int32_t s) {
    long double factor = static_cast<long double>(checkedSub(n, 1)) /
                         static_cast<long double>(checkedSub(edges.innerEnd, edges.innerStart));
    return storeDouble(factor * static_cast<long double>(checkedSub(s, edges.innerStart)));
}

std::int32_t targetPosition(const RectifyState& state, bool hyperbolic, std::int32_t n,
                            const FrameEdges& edges, std::int32_t s) {
    double v = linearPosition(n, edges, s);
    if (hyperbolic) return hyperbolicRow(state, latitudeAtRow(state, v));
    return roundToInt32(v);
}

namespace {

void rectifyLines(RectifyState& state, LineKind kind) {
    const BmpLayout& layout = state.layout;
    std::int32_t lines = lineCount(layout, kind);
    std::int32_t n = lineLength(layout, kind);
    bool hyperbolic = kind == LineKind::Column && hyperbolicWanted(state);
    ProgressDots dots;
    for (std::int32_t i = 0; i < lines; ++i) {
        dots.advance(i, checkedSub(lines, 1));
        PictureLine line{kind, i};
        FrameEdges edges = findFrameEdges(state, line);
        if (!edges.stretched) continue;
        stretchLine(
            edges,
            [&](std::int32_t s) { return targetPosition(state, hyperbolic, n, edges, s); },
            [&](std::int32_t q) { return readPixel(state.input, positionOffset(layout, line, q)); },
            [&](std::int32_t q, const Pixel& pixel) {
                writePixel(state.output, positionOffset(layout, line, q), pixel);
            });
    }
    consoleLine();
}

} // namespace

void rectifyRows(RectifyState& state) { rectifyLines(state, LineKind::Row); }

void rectifyColumns(RectifyState& state) { rectifyLines(state, LineKind::Column); }
