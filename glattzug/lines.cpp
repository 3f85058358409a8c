// One line of the picture: its frame edges and its stretch by the rule.
#include "lines.hpp"

#include "realmath.hpp"

namespace glattzug {

std::int32_t lineCount(const BmpLayout& layout, LineKind kind) {
    return kind == LineKind::Row ? layout.height : layout.width;
}

std::int32_t lineLength(const BmpLayout& layout, LineKind kind) {
    return kind == LineKind::Row ? layout.width : layout.height;
}

std::int32_t positionOffset(const BmpLayout& layout, const PictureLine& line, std::int32_t q) {
    if (line.kind == LineKind::Row) return pixelOffset(layout, q, line.index);
    return pixelOffset(layout, line.index, q);
}

bool touchesFrame(const FrameEdges& edges, std::int32_t n) { return edges.innerStart > 0 || edges.innerEnd < n - 1; }

FrameEdges findFrameEdges(const PixelInput& input, const BmpLayout& layout, std::int32_t n, const PictureLine& line) {
    return scanFrameEdges(n, [&](std::int32_t q) { return readPixel(input, positionOffset(layout, line, q)); });
}

double linearPosition(std::int32_t n, const FrameEdges& edges, std::int32_t s) {
    extended factor = static_cast<extended>(checkedSub(n, 1)) /
                         static_cast<extended>(checkedSub(edges.innerEnd, edges.innerStart));
    return storeDouble(factor * static_cast<extended>(checkedSub(s, edges.innerStart)));
}

std::int32_t targetPosition(const HyperbolicCoefficients* hyperbolic, std::int32_t n, const FrameEdges& edges,
                            std::int32_t s) {
    double v = linearPosition(n, edges, s);
    if (hyperbolic != nullptr) return hyperbolicRow(*hyperbolic, latitudeAtRow(*hyperbolic, v));
    return roundToInt32(v);
}

} // namespace glattzug
