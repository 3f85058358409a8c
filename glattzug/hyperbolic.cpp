#include "hyperbolic.hpp"

#include "checked.hpp"
#include "realmath.hpp"

#include <cmath>
#include <optional>

namespace glattzug {

namespace {

// The double that value is stored as, when it is a finite one.
std::optional<double> finiteDouble(long double value) {
    double stored = static_cast<double>(value);
    if (!std::isfinite(stored)) return std::nullopt;
    return stored;
}

long double radiansOf(double degrees) { return extendedPi * degrees / 180.0L; }

} // namespace

bool hyperbolicWanted(const RectifyState& state) { return state.BG_unten < 91.0; }

double hyperbolicSine(double x) { return storeDouble(sinhExtended(x)); }

bool formHyperbolicCoefficients(RectifyState& state) {
    std::int32_t lastRow = checkedSub(state.layout.height, 1);
    std::int32_t negatedLastRow = checkedSub(0, lastRow);
    if (lastRow == 0) return false;
    long double latitudeSpan = static_cast<long double>(state.BG_oben) - state.BG_unten;
    if (latitudeSpan == 0.0L) return false;

    std::optional<double> a = finiteDouble(negatedLastRow / latitudeSpan);
    if (!a) return false;
    std::optional<double> b = finiteDouble(-static_cast<long double>(*a) * state.BG_oben);
    if (!b) return false;

    std::optional<double> lowerS = finiteDouble(sinhExtended(storeDouble(radiansOf(state.BG_unten))));
    std::optional<double> upperS = finiteDouble(sinhExtended(storeDouble(radiansOf(state.BG_oben))));
    if (!lowerS || !upperS) return false;
    long double e = static_cast<long double>(*lowerS) * *a + *b;
    long double f = static_cast<long double>(*upperS) * *a + *b;
    // The pass stores values of this size as doubles at the two ends of a column.
    if (!finiteDouble(e) || !finiteDouble(f)) return false;
    long double rowSpan = e - f;
    if (rowSpan == 0.0L) return false;

    std::optional<double> c = finiteDouble(lastRow / rowSpan);
    if (!c) return false;
    std::optional<double> d = finiteDouble(f * -static_cast<long double>(*c));
    if (!d) return false;

    state.linSlope = *a;
    state.linOffset = *b;
    state.hypScale = *c;
    state.hypOffset = *d;
    return true;
}

HyperbolicCoefficients coefficientsOf(const RectifyState& state) {
    return {state.linSlope, state.linOffset, state.hypScale, state.hypOffset};
}

double latitudeAtRow(const HyperbolicCoefficients& coefficients, double v) {
    // Without coefficients the latitude is the one of no latitude at all.
    if (coefficients.linSlope == 0.0) return noLatitude;
    return storeDouble((static_cast<long double>(v) - coefficients.linOffset) / coefficients.linSlope);
}

std::int32_t hyperbolicRow(const HyperbolicCoefficients& coefficients, double phi) {
    double x = storeDouble(radiansOf(phi));
    double w = storeDouble(static_cast<long double>(hyperbolicSine(x)) * coefficients.linSlope + coefficients.linOffset);
    double r = storeDouble(static_cast<long double>(coefficients.hypScale) * w + coefficients.hypOffset);
    if (std::fabs(r) < 2147483647.0) return roundToInt32(r);
    return 2147483647;
}

} // namespace glattzug
