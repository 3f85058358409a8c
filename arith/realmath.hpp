// Real arithmetic of the tools: 80-bit extended precision for every
// computation, 64-bit doubles where a value is stored, rounding to nearest
// with ties to even. A fault that the floating-point unit would trap on
// (overflow of a stored value, an invalid operation, a conversion out of
// range) ends the run through the failure report.
#pragma once

#include "failure.hpp"
#include "extended.hpp"
#include "extendedmath.hpp"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <source_location>

#if defined(__x86_64__) || defined(__i386__)
static_assert(std::numeric_limits<long double>::digits == 64,
              "the tools compute in x87 extended precision (64-bit mantissa)");
#endif
static_assert(std::numeric_limits<double>::digits == 53);

// The 64-bit-mantissa value nearest to pi.
inline constexpr extended extendedPi = 0xC90FDAA22168C235p-62L;  // 3.14159265358979323851

// Rounds an extended value to the double it is stored as.
inline double storeDouble(extended value,
                          std::source_location where = std::source_location::current()) {
    if (extendedIsNaN(value)) raiseFailure(FailureKind::InvalidOp, where);
    double stored = static_cast<double>(value);
    if (std::isinf(stored)) raiseFailure(FailureKind::FpOverflow, where);
    return stored;
}

// The nearest integer, halves to the even one, in the default rounding mode.
// Below 2^62 in magnitude, adding 1.5 * 2^63 leaves no fraction bits in the
// 64-bit mantissa, so the addition itself rounds; libm's nearbyint would save
// and restore the whole floating-point environment for every pixel.
inline extended nearestInteger(extended value) {
    if (!(extendedAbs(value) < 0x1p62L)) return extendedNearest(value);
    constexpr extended shift = 0x1.8p63L;
    return (value + shift) - shift;
}

// Round: nearest integer, halves to the even one (2.5 -> 2, -2.5 -> -2).
inline std::int32_t roundToInt32(extended value,
                                 std::source_location where = std::source_location::current()) {
    if (!(extendedAbs(value) < 0x1p63L)) raiseFailure(FailureKind::InvalidOp, where);
    extended rounded = nearestInteger(value);
    if (rounded < -2147483648.0L || rounded > 2147483647.0L) {
        raiseFailure(FailureKind::RangeError, where);
    }
    return static_cast<std::int32_t>(static_cast<double>(rounded));
}

// Trunc: cut toward zero.
inline std::int32_t truncToInt32(extended value,
                                 std::source_location where = std::source_location::current()) {
    if (!(extendedAbs(value) < 0x1p63L)) raiseFailure(FailureKind::InvalidOp, where);
    extended cut = extendedTrunc(value);
    if (cut < -2147483648.0L || cut > 2147483647.0L) raiseFailure(FailureKind::RangeError, where);
    return static_cast<std::int32_t>(cut);
}

// sinh(x) = (e^x - e^-x) / 2 with both exponentials and the difference in
// extended precision; the caller stores or tests the result.
inline extended sinhExtended(double x) {
    return (exponential(static_cast<extended>(x)) - exponential(-static_cast<extended>(x))) / 2.0L;
}
