// The tools' extended type and the few functions they take of it. With an
// x87 unit it is the processor's own long double (and these are the C
// library's calls, inlined as before); without one (the page's WebAssembly
// build) it is the software type with the same results, bit for bit.
#pragma once

#include <charconv>
#include <cmath>

#if defined(__x86_64__) || defined(__i386__)

using extended = long double;

inline extended extendedAbs(extended value) { return std::fabs(value); }
inline extended extendedSqrt(extended value) { return std::sqrt(value); }
inline extended extendedTrunc(extended value) { return std::trunc(value); }
// The nearest whole number in the default rounding mode (halves to even).
inline extended extendedNearest(extended value) { return std::nearbyint(value); }
inline extended extendedScale(extended value, int power) { return std::ldexp(value, power); }
inline bool extendedIsNaN(extended value) { return std::isnan(value); }
inline constexpr extended extendedInfinity = HUGE_VALL;

// Fixed-point text with the given decimals, the exact value rounded half to even.
inline std::to_chars_result extendedToChars(char* first, char* last, extended value, std::chars_format format,
                                            int precision) {
    return std::to_chars(first, last, value, format, precision);
}

#else

#include "softextended.hpp"

using extended = SoftExtended;

inline extended extendedAbs(extended value) { return absolute(value); }
inline extended extendedSqrt(extended value) { return squareRoot(value); }
inline extended extendedTrunc(extended value) { return truncated(value); }
inline extended extendedNearest(extended value) { return nearestWhole(value); }
inline extended extendedScale(extended value, int power) { return scaled(value, power); }
inline bool extendedIsNaN(extended value) { return value.isNaN(); }
inline constexpr extended extendedInfinity = SoftExtended::infinity();

std::to_chars_result extendedToChars(char* first, char* last, extended value, std::chars_format format,
                                     int precision);

#endif
