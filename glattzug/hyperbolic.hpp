// The hyperbolic mapping of the rectifier's v run: rows spaced evenly in the
// hyperbolic sine of the latitude between the lower and the upper latitude.
// Pure functions of their arguments: the run's state holds only the result.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace glattzug {

// What both latitudes hold when none are given.
inline constexpr double noLatitude = 1000000000.0;

// The four coefficients, all the per-pixel maths needs of a run's state.
struct HyperbolicCoefficients {
    double linSlope = 0.0;   // a
    double linOffset = 0.0;  // b
    double hypScale = 0.0;   // c
    double hypOffset = 0.0;  // d
};

// Only the lower latitude is tested: below 91 degrees.
bool hyperbolicWanted(double lowerLatitude);

inline constexpr std::string_view coefficientsMessage =
    "Breitengrade ungeeignet: hyperbolische Entzerrung nicht berechenbar";

// The coefficients for a picture of height rows between the latitudes of its
// bottom and top rows; none when they cannot be formed as finite doubles
// (equal latitudes, equal S values, a single row, an overflowing sinh).
std::optional<HyperbolicCoefficients> hyperbolicCoefficients(double lower, double upper, std::int32_t height);

// sinh(x) = (e^x - e^-x) / 2 in extended precision, stored as a double.
double hyperbolicSine(double x);

// The latitude of a row position v on the linear scale.
double latitudeAtRow(const HyperbolicCoefficients& coefficients, double v);

// The row that latitude phi lands on when rows are spaced evenly in S(phi).
std::int32_t hyperbolicRow(const HyperbolicCoefficients& coefficients, double phi);

} // namespace glattzug
