// The grid of control points and the .INF model's inverse at each of them.
#include "exportrun.hpp"

#include "checked.hpp"
#include "console.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace passnetz {

namespace {

// ln(1 + u) for a finite u >= 0 from +, -, *, / alone: 1 + u = m * 2^k with
// m near 1, then ln m = 2 atanh(t), t = (m - 1) / (m + 1), |t| < 0.172, by
// its series to t^23 (the next term is below 1e-19 of the sum). Near 1, t is
// formed from u itself, so a small u keeps all its digits.
double logOnePlus(double u) {
    constexpr double sqrtTwo = 1.4142135623730951;
    constexpr double lnTwo = 0.6931471805599453;
    int k = 0;
    double t = u / (u + 2.0);
    if (u + 1.0 > sqrtTwo) {
        double m = u + 1.0;
        while (m > sqrtTwo) {
            m = m / 2.0;
            ++k;
        }
        t = (m - 1.0) / (m + 1.0);
    }
    const double t2 = t * t;
    double sum = 0.0;
    for (int j = 11; j >= 0; --j) sum = 1.0 / (2.0 * j + 1.0) + t2 * sum;
    return k * lnTwo + 2.0 * t * sum;
}

// Beyond this, sinh(latitude) would put the latitude past a pole (sinh(pi/2) = 2.30).
constexpr double largestLatitudeScale = 3.0;

// Rows of the grid so close that GDAL's thin-plate spline follows the
// hyperbolic rows within a few hundredths of a pixel: a step h (pixels) is
// fine while h^4 <= stepFactor * |c|^3, an estimate from the interpolation
// error of a cubic spline through asinh, with a margin, checked with GDAL.
constexpr double stepFactor = 0.01;
constexpr std::int32_t widestStep = 256;
constexpr std::int32_t mostIntervals = 40;  // GDAL solves for every point with every other
// A thin-plate spline bends least at its outermost points, where it follows
// a curved row worst; rings of points outside the picture keep that there.
constexpr std::int32_t outerRings = 2;

std::int32_t ceilDiv(std::int32_t a, std::int32_t b) { return checkedAdd(a, b - 1) / b; }

} // namespace

double asinhOfDoubles(double s) {
    const double magnitude = s < 0.0 ? -s : s;
    // asinh(s) = ln(s + sqrt(s^2 + 1)) = ln(1 + s + s^2 / (1 + sqrt(s^2 + 1)))
    const double square = magnitude * magnitude;
    const double value = logOnePlus(magnitude + square / (1.0 + std::sqrt(square + 1.0)));
    return s < 0.0 ? -value : value;
}

GridSize gridSizeFor(std::int32_t width, std::int32_t height, const Calibration& calibration) {
    const double ac = calibration.c < 0.0 ? -calibration.c : calibration.c;
    const double bound = stepFactor * ac * ac * ac;
    GridSize size;
    const std::int32_t mostDown = std::min(mostIntervals, height);
    size.down = std::min(mostDown, std::max(2, ceilDiv(height, widestStep)));
    for (;;) {
        const double step = static_cast<double>(height) / size.down;
        if (size.down >= mostDown || step * step * step * step <= bound) break;
        ++size.down;
    }
    const std::int32_t squareCells = ceilDiv(checkedMul(width, size.down), height);
    size.across = std::min(std::min(mostIntervals, width), std::max(ceilDiv(width, widestStep), squareCells));
    size.across = std::max(size.across, std::min(2, width));
    return size;
}

namespace {

// The .INF model solved for the coordinates at a column and at a row.
double longitudeOfColumn(double column, const Calibration& calibration) {
    return (column - calibration.b) / calibration.a;
}

double latitudeOfRow(double row, const Calibration& calibration) {
    const double s = (row - calibration.d) / calibration.c;
    return asinhOfDoubles(s) * 180.0 / std::numbers::pi;
}

bool withinPoles(double row, const Calibration& calibration) {
    const double s = (row - calibration.d) / calibration.c;
    if (!(s <= largestLatitudeScale && s >= -largestLatitudeScale)) return false;
    const double latitude = latitudeOfRow(row, calibration);
    return latitude <= 90.0 && latitude >= -90.0;
}

// The line of an outer row, moved toward the picture's edge until it lies
// this side of the pole; none when that leaves it too close to the edge.
std::optional<std::int32_t> outerLine(std::int32_t line, std::int32_t edge, std::int32_t step,
                                      const Calibration& calibration) {
    const std::int32_t toward = line < edge ? 1 : -1;
    while (line != edge && !withinPoles(line - 0.5, calibration)) line = checkedAdd(line, toward);
    const std::int32_t distance = line < edge ? edge - line : line - edge;
    if (checkedMul(distance, 4) < step) return std::nullopt;
    return line;
}

} // namespace

std::vector<ControlPoint> controlPointsFor(std::int32_t width, std::int32_t height, const Calibration& calibration) {
    const GridSize size = gridSizeFor(width, height, calibration);
    const std::int32_t step = std::max(1, height / size.down);
    std::vector<ControlPoint> points;
    std::optional<std::int32_t> previous;
    for (std::int32_t j = -outerRings; j <= size.down + outerRings; ++j) {
        std::optional<std::int32_t> line = checkedMul(j, height) / size.down;
        if (j < 0 || j > size.down) {
            line = outerLine(*line, j < 0 ? 0 : height, step, calibration);
            if (!line || line == previous) continue;
        } else if (!withinPoles(*line - 0.5, calibration)) {
            return {};
        }
        previous = line;
        const double latitude = latitudeOfRow(*line - 0.5, calibration);
        for (std::int32_t i = -outerRings; i <= size.across + outerRings; ++i) {
            const std::int32_t pixel = checkedMul(i, width) / size.across;
            points.push_back({pixel, *line, longitudeOfColumn(pixel - 0.5, calibration), latitude});
        }
    }
    return points;
}

bool longitudesInRange(const std::vector<ControlPoint>& points) {
    for (const ControlPoint& point : points) {
        if (!(point.longitude >= -largestLongitude && point.longitude <= largestLongitude)) return false;
    }
    return true;
}

bool placeControlPoints(ExportRun& run) {
    run.points = controlPointsFor(run.width, run.height, run.calibration);
    if (run.points.empty()) {
        consoleLine(run.calibrationName + ": nach dieser Kalibrierung reicht das Bild ueber einen Pol hinaus." + bell);
        waitForReturn();
        return false;
    }
    if (!longitudesInRange(run.points)) {
        consoleLine(run.calibrationName + ": " + std::string(longitudeProblem) + bell);
        waitForReturn();
        return false;
    }
    const GridSize size = gridSizeFor(run.width, run.height, run.calibration);
    const std::int64_t columns = size.across + 1 + 2 * outerRings;
    const std::int64_t count = static_cast<std::int64_t>(run.points.size());
    consoleLine("Passpunkte: " + integerText(columns) + " x " + integerText(count / columns) + " = " +
                integerText(count) + ", im Bild alle " + integerText(run.width / size.across) + " x " +
                integerText(run.height / size.down) + " Pixel mit Ecken und Raendern.");
    return true;
}

} // namespace passnetz
