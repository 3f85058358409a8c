// The least-squares fit of pixel positions against coordinates, and the latitude scale.
#include "linefit.hpp"

#include "checked.hpp"
#include "realmath.hpp"

#include <bit>
#include <cstdint>

namespace messkart {

void resetFit(LineFit& fit) { fit = LineFit{}; }

void addPoint(LineFit& fit, std::int32_t pixel, double x) {
    fit.count = checkedAdd(fit.count, 1);
    if (fit.count == 1) fit.firstX = x;
    fit.allXEqual = fit.allXEqual && std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(fit.firstX);
    const extended y = pixel;
    const extended xe = x;
    fit.sumXY = storeDouble(fit.sumXY + xe * y);
    fit.sumY = storeDouble(fit.sumY + y);
    fit.sumX = storeDouble(fit.sumX + xe);
    fit.sumXX = storeDouble(fit.sumXX + xe * xe);
    if (fit.count < 2) return;

    const extended n = fit.count;
    double denominator = storeDouble(n * fit.sumXX - static_cast<extended>(fit.sumX) * fit.sumX);
    // All x equal: the numerators are zero, or rounding noise that would
    // make a steep line out of nothing; with this divisor the line comes out flat.
    if (denominator == 0.0 || fit.allXEqual) denominator = 1e9;
    fit.slope = storeDouble((n * fit.sumXY - static_cast<extended>(fit.sumX) * fit.sumY) /
                            denominator);
    fit.intercept = storeDouble((static_cast<extended>(fit.sumY) * fit.sumXX -
                                 static_cast<extended>(fit.sumX) * fit.sumXY) /
                                denominator);
}

double latitudeScale(double latitudeDegrees) {
    const double radians = storeDouble(latitudeDegrees / 180.0L * extendedPi);
    return storeDouble(sinhExtended(radians));
}

void addLatitudePoint(LineFit& fit, std::int32_t pixel, double latitudeDegrees) {
    addPoint(fit, pixel, latitudeScale(latitudeDegrees));
}

} // namespace messkart
