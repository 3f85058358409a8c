#include "rotationjob.hpp"

#include "checked.hpp"
#include "console.hpp"
#include "pixelio.hpp"
#include "realmath.hpp"

#include <algorithm>
#include <cmath>

namespace {

struct Target {
    std::int32_t x;
    std::int32_t y;
};

// The turn in its polar form, with the storage points that decide the
// rounding: radius, angle and the turned angle are stored as doubles, and so
// are X and Y before they are rounded half to even.
Target exactTurnedPosition(std::int32_t x, std::int32_t y, std::int32_t hw, std::int32_t hh,
                           double angle) {
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
    double X = storeDouble(r * std::cos(static_cast<long double>(phi)));
    double Y = storeDouble(r * std::sin(static_cast<long double>(phi)));
    if (x < hw) {
        X = -X;
        Y = -Y;
    }
    return {checkedAdd(hw, roundToInt32(X)), checkedSub(hh, roundToInt32(Y))};
}

// The same turn in its direct form X = a cos t + b sin t, Y = b cos t - a sin t,
// which is 30 times cheaper, used wherever it provably rounds alike.
//
// Why the margin holds. Let rho = |(a, b)| < 2^17 (both below 65536) and let
// X* be the true value of the direct form for the stored angle t.
//  - Polar form: r = sqrt(a^2 + b^2) is exact before its rounding to double,
//    so |r - rho| <= rho 2^-52. The angle atan(b / a) stored as a double lies
//    within 2^-53 + 2^-60 of the true one (it is below 2 in magnitude), and
//    its difference with t (below 4) within 2^-52 + 2^-61 more: less than
//    2^-51 in all. cos and sin in extended precision add 2^-62 at most, the
//    product's rounding to double at most rho 2^-53. Hence |X - X*| <=
//    rho (2^-52 + 2^-51 + 2^-62 + 2^-53) < rho 2^-50 < 2^-33, and alike for Y.
//  - Direct form: cos t and sin t, the two products and their sum are each
//    within one extended rounding, so |Xd - X*| <= (|a| + |b|) 2^-61 < 2^-43.
// So when Xd lies more than 2^-30 from every half-integer, X lies on the same
// side of it, neither can be a tie, and both round to the same integer.
// Otherwise the polar form decides.
constexpr long double filterMargin = 0x1p-30L;

bool nearRoundingBoundary(long double value) {
    return std::fabs(value - std::nearbyint(value)) >= 0.5L - filterMargin;
}

struct Turn {
    std::int32_t hw;
    std::int32_t hh;
    double angle;
    long double cosT;
    long double sinT;
};

Target turnedPosition(const Turn& turn, std::int32_t x, std::int32_t y) {
    long double a = x - turn.hw;
    long double b = turn.hh - y;
    long double X = a * turn.cosT + b * turn.sinT;
    long double Y = b * turn.cosT - a * turn.sinT;
    if (nearRoundingBoundary(X) || nearRoundingBoundary(Y)) {
        return exactTurnedPosition(x, y, turn.hw, turn.hh, turn.angle);
    }
    return {checkedAdd(turn.hw, static_cast<std::int32_t>(std::nearbyint(X))),
            checkedSub(turn.hh, static_cast<std::int32_t>(std::nearbyint(Y)))};
}

// How far the pass's writes reach: the pre-filled picture, or the one pixel
// that the top row's last write puts beyond that row.
std::int64_t outputExtent(const RotationGeometry& g, const BmpLayout& out) {
    std::int64_t topRowEnd = static_cast<std::int64_t>(out.dataOffset) + 3LL * g.newWidth +
                             static_cast<std::int64_t>(out.rowBytes) * (g.newHeight - 1) + 3;
    return std::min<std::int64_t>(std::max<std::int64_t>(g.outputSize, topRowEnd), 0x7FFFFFFFLL + 3);
}

} // namespace


void rotatePixels(const RotationJob& job, const ByteFile& inputFile, ByteFile& outputFile) {
    const RotationGeometry& g = job.geometry;
    const BmpLayout& in = job.layout;
    const BmpLayout out = layoutFor(in.dataOffset, g.newWidth, g.newHeight);
    PixelInput input(inputFile);
    PixelOutput output(outputFile, outputExtent(g, out));
    auto outputOffset = [&](std::int32_t x, std::int32_t y) {
        return pixelOffset(out, checkedAdd(x, g.marginX), checkedAdd(y, g.marginY));
    };
    const Turn turn{g.halfWidth, g.halfHeight, job.angle, std::cos(static_cast<long double>(job.angle)),
                    std::sin(static_cast<long double>(job.angle))};

    ProgressDots dots;
    std::int32_t lastRow = checkedSub(in.height, 1);
    for (std::int32_t y = 0; y < in.height; ++y) {
        dots.advance(y, lastRow);
        for (std::int32_t x = 0; x < in.width; ++x) {
            Pixel pixel = readPixel(input, pixelOffset(in, x, y));
            Target t = turnedPosition(turn, x, y);
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
    output.finish();
    consoleLine();
}
