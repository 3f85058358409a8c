#include "rotationjob.hpp"

#include "checked.hpp"
#include "console.hpp"
#include "pixelio.hpp"
#include "realmath.hpp"

#include <cmath>

namespace {

// The polar form of the turn with its storage points: the rounding of the
// stored X and Y decides where each source pixel lands.
struct Target {
    std::int32_t x;
    std::int32_t y;
};

Target turnedPosition(std::int32_t x, std::int32_t y, std::int32_t hw, std::int32_t hh, double angle) {
    double a = checkedSub(x, hw);
    double b = checkedSub(hh, y);
    double r = storeDouble(std::sqrt(static_cast<long double>(a) * a + static_cast<long double>(b) * b));
    double phi;
    if (a != 0.0) {
        phi = storeDouble(std::atan(static_cast<long double>(b) / a));
    } else {
        phi = y < hh ? storeDouble(extendedPi / 2.0L) : storeDouble(-extendedPi / 2.0L);
    }
    phi = storeDouble(static_cast<long double>(phi) - angle);
    long double cosPhi = std::cos(static_cast<long double>(phi));
    long double sinPhi = std::sin(static_cast<long double>(phi));
    double X = storeDouble(r * cosPhi);
    double Y = storeDouble(r * sinPhi);
    if (x < hw) {
        X = -X;
        Y = -Y;
    }
    return {checkedAdd(hw, roundToInt32(X)), checkedSub(hh, roundToInt32(Y))};
}

} // namespace

void rotatePixels(const RotationJob& job, const ByteFile& input, ByteFile& output) {
    const RotationGeometry& g = job.geometry;
    const BmpLayout& in = job.layout;
    const BmpLayout out = layoutFor(in.dataOffset, g.newWidth, g.newHeight);
    auto outputOffset = [&](std::int32_t x, std::int32_t y) {
        return pixelOffset(out, checkedAdd(x, g.marginX), checkedAdd(y, g.marginY));
    };

    ProgressDots dots;
    std::int32_t lastRow = checkedSub(in.height, 1);
    for (std::int32_t y = 0; y < in.height; ++y) {
        dots.advance(y, lastRow);
        for (std::int32_t x = 0; x < in.width; ++x) {
            Pixel pixel = readPixel(input, pixelOffset(in, x, y));
            Target t = turnedPosition(x, y, g.halfWidth, g.halfHeight, job.angle);
            writePixel(output, outputOffset(t.x, t.y), pixel);
            // Forward mapping leaves gaps; a black left neighbour takes this colour.
            if (checkedAdd(t.x, g.marginX) > 0) {
                std::int32_t left = outputOffset(checkedSub(t.x, 1), t.y);
                if (readPixel(output, left) == Pixel{0, 0, 0}) writePixel(output, left, pixel);
            }
        }
    }
    // The top row black, one write beyond its last pixel included.
    const Pixel black{0, 0, 0};
    std::int32_t topRow = -g.marginY;
    for (std::int32_t x = -g.marginX; x <= checkedSub(g.newWidth, g.marginX); ++x) {
        writePixel(output, outputOffset(x, topRow), black);
    }
    consoleLine();
}
