// The hyperbolic mapping of the rectifier's v run: rows spaced evenly in the
// hyperbolic sine of the latitude between BG_unten and BG_oben.
#pragma once

#include "rectifystate.hpp"

#include <cstdint>
#include <string_view>

namespace glattzug {

// The four coefficients, all the per-pixel maths needs of a run's state.
struct HyperbolicCoefficients {
    double linSlope = 0.0;   // a
    double linOffset = 0.0;  // b
    double hypScale = 0.0;   // c
    double hypOffset = 0.0;  // d
};

HyperbolicCoefficients coefficientsOf(const RectifyState& state);

// Only BG_unten is tested: below 91 degrees.
bool hyperbolicWanted(const RectifyState& state);

inline constexpr std::string_view coefficientsMessage =
    "Breitengrade ungeeignet: hyperbolische Entzerrung nicht berechenbar";

// Sets linSlope, linOffset, hypScale and hypOffset from the latitudes and the
// height. False, with nothing written, when they cannot be formed as finite
// doubles (equal latitudes, equal S values, a single row, an overflowing sinh).
bool formHyperbolicCoefficients(RectifyState& state);

// sinh(x) = (e^x - e^-x) / 2 in extended precision, stored as a double.
double hyperbolicSine(double x);

// The latitude of a row position v on the linear scale.
double latitudeAtRow(const HyperbolicCoefficients& coefficients, double v);

// The row that latitude phi lands on when rows are spaced evenly in S(phi).
std::int32_t hyperbolicRow(const HyperbolicCoefficients& coefficients, double phi);

} // namespace glattzug
