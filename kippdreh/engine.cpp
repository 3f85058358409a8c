#include "rotationjob.hpp"

#include "checked.hpp"
#include "console.hpp"
#include "pixelio.hpp"
#include "realmath.hpp"
#include "extendedmath.hpp"

#include <algorithm>
#include <exception>
#include <thread>
#include <cmath>
#include <vector>

namespace kippdreh {

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
        phi = storeDouble(arctangentX87(static_cast<long double>(b) / a));
    } else {
        phi = y < hh ? storeDouble(extendedPi / 2.0L) : storeDouble(-extendedPi / 2.0L);
    }
    phi = storeDouble(static_cast<long double>(phi) - angle);
    double X = storeDouble(r * cosineX87(phi));
    double Y = storeDouble(r * sineX87(phi));
    if (x < hw) {
        X = -X;
        Y = -Y;
    }
    return {checkedAdd(hw, roundToInt32(X)), checkedSub(hh, roundToInt32(Y))};
}

// The same turn in its direct form X = a cos t + b sin t, Y = b cos t - a sin t,
// in doubles, used wherever it provably rounds alike.
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
//  - Direct form: cos t and sin t rounded to doubles are within 2^-52 of the
//    true values; the products a c and b s and their sum are each rounded
//    once. So |Xd - X*| <= (|a| + |b|) (2^-52 + 2^-53 + 2^-53) < 2^-34.
// So when Xd lies more than 2^-30 from every half-integer, X lies on the same
// side of it, neither can be a tie, and both round to the same integer.
// Otherwise the polar form decides. (Near 2^17 a double still resolves
// 2^-35, so the distance to the nearest integer is computed exactly.)
constexpr double filterLimit = 0.5 - 0x1p-30;

// Round half to even for |v| < 2^51: the addition leaves no fraction bits.
inline double nearestWhole(double v) {
    constexpr double shift = 0x1.8p52;
    return (v + shift) - shift;
}

struct Turn {
    std::int32_t hw;
    std::int32_t hh;
    double angle;
    double cosT;
    double sinT;
};

// The targets of one source row, stored from index at: a first loop in the direct form that the
// compiler can run on several pixels at once, then the polar form for the
// few pixels near a rounding boundary.
struct RowTargets {
    std::vector<std::int32_t> x;
    std::vector<std::int32_t> y;
    std::vector<unsigned char> nearBoundary;
};

void turnRow(const Turn& turn, std::int32_t y, std::int32_t width, RowTargets& row, std::size_t at) {
    const double b = turn.hh - y;
    const double bSin = b * turn.sinT;
    const double bCos = b * turn.cosT;
    std::int32_t* tx = row.x.data() + at;
    std::int32_t* ty = row.y.data() + at;
    unsigned char* near = row.nearBoundary.data() + at;
    for (std::int32_t x = 0; x < width; ++x) {
        const double a = x - turn.hw;
        const double X = a * turn.cosT + bSin;
        const double Y = bCos - a * turn.sinT;
        const double roundX = nearestWhole(X);
        const double roundY = nearestWhole(Y);
        near[x] = (std::fabs(X - roundX) >= filterLimit) | (std::fabs(Y - roundY) >= filterLimit);
        tx[x] = turn.hw + static_cast<std::int32_t>(roundX);
        ty[x] = turn.hh - static_cast<std::int32_t>(roundY);
    }
    for (std::int32_t x = 0; x < width; ++x) {
        if (near[x]) {
            Target exact = exactTurnedPosition(x, y, turn.hw, turn.hh, turn.angle);
            tx[x] = exact.x;
            ty[x] = exact.y;
        }
    }
}

// How far the pass's writes reach: the pre-filled picture, or the one pixel
// that the top row's last write puts beyond that row.
std::int64_t outputExtent(const RotationGeometry& g, const BmpLayout& out) {
    std::int64_t topRowEnd = static_cast<std::int64_t>(out.dataOffset) + 3LL * g.newWidth +
                             static_cast<std::int64_t>(out.rowBytes) * (g.newHeight - 1) + 3;
    return std::min<std::int64_t>(std::max<std::int64_t>(g.outputSize, topRowEnd), 0x7FFFFFFFLL + 3);
}

// A quarter turn by the stored +-pi/2 moves every pixel by the integer map
// (x, y) -> (hw + hh - y, hh + x - hw), or its mirror for -pi/2: no two pixels
// meet, and the only pixels whose writes and fills touch the same output
// pixel are vertical neighbours in the source. Any order that visits each
// source column from the top down therefore leaves the same bytes, and bands
// of rows taken column by column write the output row by row.
bool isQuarterTurn(const Turn& turn, const RowTargets& band, std::int32_t firstRow, std::int32_t rows,
                   std::int32_t width) {
    const std::int32_t sign = turn.angle > 0 ? 1 : -1;
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int64_t b = turn.hh - (firstRow + r);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(r) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
            if (band.x[i] != turn.hw + sign * b || band.y[i] != turn.hh + sign * (x - turn.hw)) return false;
        }
    }
    return true;
}

// The targets of a band of rows. Computing them is pure arithmetic, so it
// runs on helper threads ahead of the placing; the placing itself, every
// read and write of a pixel, stays on the calling thread in the one order
// of the sequential pass, so no byte can depend on the thread count.
struct Band {
    RowTargets targets;
    std::int32_t firstRow = 0;
    std::int32_t rows = 0;
    std::exception_ptr failure;
};

// Workers compute with the calling thread's x87 control word (a new thread
// may start with another precision on some systems).
std::uint16_t x87ControlWord() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

void setX87ControlWord(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

void computeBand(const Turn& turn, std::int32_t width, Band& band, int threads, std::uint16_t controlWord) {
    auto rowsFrom = [&](std::int32_t first, std::int32_t end) {
        setX87ControlWord(controlWord);
        for (std::int32_t r = first; r < end; ++r) {
            turnRow(turn, band.firstRow + r, width, band.targets, static_cast<std::size_t>(r) * static_cast<std::size_t>(width));
        }
    };
    try {
        std::vector<std::thread> helpers;
        std::vector<std::exception_ptr> failures(static_cast<std::size_t>(threads));
        const std::int32_t share = (band.rows + threads - 1) / threads;
        for (int t = 1; t < threads; ++t) {
            const std::int32_t first = std::min(band.rows, t * share);
            const std::int32_t end = std::min(band.rows, first + share);
            helpers.emplace_back([&, t, first, end] {
                try {
                    rowsFrom(first, end);
                } catch (...) {
                    failures[static_cast<std::size_t>(t)] = std::current_exception();
                }
            });
        }
        rowsFrom(0, std::min(band.rows, share));
        for (std::thread& helper : helpers) helper.join();
        for (const std::exception_ptr& failure : failures) {
            if (failure) std::rethrow_exception(failure);
        }
    } catch (...) {
        band.failure = std::current_exception();
    }
}

} // namespace

int defaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

void rotatePixels(const RotationJob& job, const ByteFile& inputFile, ByteFile& outputFile, int threads) {
    const RotationGeometry& g = job.geometry;
    const BmpLayout& in = job.layout;
    const BmpLayout out = layoutFor(in.dataOffset, g.newWidth, g.newHeight);
    // The output is viewed first: its writes go everywhere, while the input
    // is read row after row and does well without a view when the address
    // space holds only one.
    const std::int64_t extent = outputExtent(g, out);
    PixelOutput output(outputFile, extent);
    PixelInput input(inputFile);
    const Turn turn{g.halfWidth, g.halfHeight, job.angle, storeDouble(cosineX87(job.angle)),
                    storeDouble(sineX87(job.angle))};
    const double quarter = storeDouble(extendedPi / 2.0L);
    const bool quarterTurn = (job.angle == quarter || job.angle == -quarter) && wholePictureInside(in, input.length()) &&
                             extent <= INT32_MAX;
    constexpr std::int32_t bandRows = 64;
    const auto width = static_cast<std::size_t>(in.width);
    const std::size_t bandSize = width * static_cast<std::size_t>(bandRows);
    Band bands[2];
    for (Band& band : bands) {
        band.targets = RowTargets{std::vector<std::int32_t>(bandSize), std::vector<std::int32_t>(bandSize),
                                  std::vector<unsigned char>(bandSize)};
    }
    threads = std::max(threads, 1);
    const std::uint16_t controlWord = x87ControlWord();
    auto prepare = [&](Band& band, std::int32_t firstRow, int helpers) {
        band.firstRow = firstRow;
        band.rows = std::min(bandRows, in.height - firstRow);
        band.failure = nullptr;
        computeBand(turn, in.width, band, helpers, controlWord);
    };

    // One source pixel: its write, and the left-neighbour fill that closes the
    // gaps of forward mapping when that neighbour is still black.
    auto place = [&](const RowTargets& targets, std::int32_t x, std::int32_t y, std::size_t target) {
        Pixel pixel = readPixel(input, pixelOffset(in, x, y));
        const std::int32_t column = checkedAdd(targets.x[target], g.marginX);
        const std::int32_t outRow = checkedAdd(targets.y[target], g.marginY);
        writePixel(output, pixelOffset(out, column, outRow), pixel);
        if (column > 0) {
            std::int32_t left = pixelOffset(out, column - 1, outRow);
            if (readPixel(output, left) == Pixel{0, 0, 0}) writePixel(output, left, pixel);
        }
    };

    ProgressDots dots;
    const std::int32_t lastRow = checkedSub(in.height, 1);
    if (in.height > 0) prepare(bands[0], 0, threads);
    for (std::int32_t firstRow = 0, k = 0; firstRow < in.height; firstRow += bandRows, ++k) {
        Band& band = bands[k % 2];
        Band& next = bands[(k + 1) % 2];
        const std::int32_t nextRow = firstRow + bandRows;
        std::thread ahead;
        if (nextRow < in.height && threads > 1) {
            ahead = std::thread([&, nextRow] { prepare(next, nextRow, threads - 1); });
        }
        try {
            if (band.failure) std::rethrow_exception(band.failure);
            input.confirmIntact();
            output.confirmIntact();
            const RowTargets& targets = band.targets;
            if (band.rows > 1 && quarterTurn && isQuarterTurn(turn, targets, firstRow, band.rows, in.width)) {
                for (std::int32_t r = 0; r < band.rows; ++r) dots.advance(firstRow + r, lastRow);
                for (std::int32_t x = 0; x < in.width; ++x) {
                    for (std::int32_t r = 0; r < band.rows; ++r) {
                        place(targets, x, firstRow + r, static_cast<std::size_t>(r) * width + static_cast<std::size_t>(x));
                    }
                }
            } else {
                for (std::int32_t r = 0; r < band.rows; ++r) {
                    dots.advance(firstRow + r, lastRow);
                    for (std::int32_t x = 0; x < in.width; ++x) {
                        place(targets, x, firstRow + r, static_cast<std::size_t>(r) * width + static_cast<std::size_t>(x));
                    }
                }
            }
        } catch (...) {
            if (ahead.joinable()) ahead.join();
            throw;
        }
        if (ahead.joinable()) {
            ahead.join();
        } else if (nextRow < in.height) {
            prepare(next, nextRow, 1);
        }
    }
    // The top row black, one write beyond its last pixel included.
    const Pixel black{0, 0, 0};
    for (std::int32_t column = 0; column <= g.newWidth; ++column) {
        writePixel(output, pixelOffset(out, column, 0), black);
    }
    input.confirmIntact();
    output.finish();
    consoleLine();
}

} // namespace kippdreh
