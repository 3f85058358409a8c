// The hyperbolic mapping: coefficients, latitudes and rows, each a pure
// function of its arguments, in extended precision with doubles stored.
#include "hyperbolic.hpp"

#include "checked.hpp"
#include "realmath.hpp"

#include <cmath>
#include <optional>

namespace glattzug {

namespace {

// The double that value is stored as, when it is a finite one.
std::optional<double> finiteDouble(extended value) {
    double stored = static_cast<double>(value);
    if (!std::isfinite(stored)) return std::nullopt;
    return stored;
}

extended radiansOf(double degrees) { return extendedPi * degrees / 180.0L; }

} // namespace

bool hyperbolicWanted(double lowerLatitude) { return lowerLatitude < 91.0; }

double hyperbolicSine(double x) { return storeDouble(sinhExtended(x)); }

std::optional<HyperbolicCoefficients> hyperbolicCoefficients(double lower, double upper, std::int32_t height) {
    std::int32_t lastRow = checkedSub(height, 1);
    std::int32_t negatedLastRow = checkedSub(0, lastRow);
    if (lastRow == 0) return std::nullopt;
    extended latitudeSpan = static_cast<extended>(upper) - lower;
    if (latitudeSpan == 0.0L) return std::nullopt;

    std::optional<double> a = finiteDouble(negatedLastRow / latitudeSpan);
    if (!a) return std::nullopt;
    std::optional<double> b = finiteDouble(-static_cast<extended>(*a) * upper);
    if (!b) return std::nullopt;

    std::optional<double> lowerS = finiteDouble(sinhExtended(storeDouble(radiansOf(lower))));
    std::optional<double> upperS = finiteDouble(sinhExtended(storeDouble(radiansOf(upper))));
    if (!lowerS || !upperS) return std::nullopt;
    extended e = static_cast<extended>(*lowerS) * *a + *b;
    extended f = static_cast<extended>(*upperS) * *a + *b;
    // The pass stores values of this size as doubles at the two ends of a column.
    if (!finiteDouble(e) || !finiteDouble(f)) return std::nullopt;
    extended rowSpan = e - f;
    if (rowSpan == 0.0L) return std::nullopt;

    std::optional<double> c = finiteDouble(lastRow / rowSpan);
    if (!c) return std::nullopt;
    std::optional<double> d = finiteDouble(f * -static_cast<extended>(*c));
    if (!d) return std::nullopt;

    return HyperbolicCoefficients{*a, *b, *c, *d};
}

double latitudeAtRow(const HyperbolicCoefficients& coefficients, double v) {
    // Without coefficients the latitude is the one of no latitude at all.
    if (coefficients.linSlope == 0.0) return noLatitude;
    return storeDouble((static_cast<extended>(v) - coefficients.linOffset) / coefficients.linSlope);
}

std::int32_t hyperbolicRow(const HyperbolicCoefficients& coefficients, double phi) {
    double x = storeDouble(radiansOf(phi));
    double w = storeDouble(static_cast<extended>(hyperbolicSine(x)) * coefficients.linSlope + coefficients.linOffset);
    double r = storeDouble(static_cast<extended>(coefficients.hypScale) * w + coefficients.hypOffset);
    if (std::fabs(r) < 2147483647.0) return roundToInt32(r);
    return 2147483647;
}

} // namespace glattzug
