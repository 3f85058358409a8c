// Extended precision in software, for a processor without an x87 unit (the
// page's WebAssembly build): a 64-bit mantissa with its integer bit, the x87's
// 15-bit exponent range with gradual underflow, every operation rounded to
// nearest with ties to even, exactly as the x87 rounds at full precision.
// Plain C++ and 128-bit integers, so the native tests hold it to the x87
// operation by operation.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace softextended {

__extension__ typedef unsigned __int128 Wide;

enum class Kind : std::uint8_t { Zero, Finite, Infinite, NotANumber };

// value = mantissa * 2^exponent; a normal value has bit 63 set, a
// denormal one the smallest exponent.
inline constexpr std::int32_t smallestExponent = -16382 - 63;
inline constexpr std::int32_t largestExponent = 16383 - 63;

struct Rounded {
    std::uint64_t kept;
    std::int32_t exponent;
    bool overflow;
};

constexpr int bitLength(Wide value) {
    const auto high = static_cast<std::uint64_t>(value >> 64);
    if (high != 0) return 128 - std::countl_zero(high);
    return 64 - std::countl_zero(static_cast<std::uint64_t>(value));
}

// Rounds significand * 2^exponent (with sticky: a little more than that) to
// precision bits, ties to even, no exponent below lowest (gradual underflow)
// and none above highest (overflow).
constexpr Rounded roundTo(Wide significand, std::int32_t exponent, bool sticky, int precision,
                          std::int32_t lowest, std::int32_t highest) {
    if (significand == 0) return {0, lowest, false};
    int shift = bitLength(significand) - precision;
    if (exponent + shift < lowest) shift = lowest - exponent;
    Wide kept = significand;
    if (shift > 0) {
        if (shift >= 128) {
            kept = 0;  // far below the smallest denormal's half
        } else {
            const Wide rest = significand & ((Wide{1} << shift) - 1);
            const Wide half = Wide{1} << (shift - 1);
            kept = significand >> shift;
            if (rest > half || (rest == half && (sticky || (kept & 1) != 0))) ++kept;
        }
        exponent += shift;
        if (kept == (Wide{1} << precision)) {
            kept >>= 1;
            ++exponent;
        }
    } else {
        kept = significand << -shift;
        exponent += shift;
    }
    if (kept == 0) return {0, lowest, false};
    return {static_cast<std::uint64_t>(kept), exponent, exponent > highest};
}

class SoftExtended {
public:
    constexpr SoftExtended() = default;

    template <typename Integer>
        requires std::is_integral_v<Integer>
    constexpr SoftExtended(Integer value) {  // NOLINT: converts like the built-in type
        if (value == 0) return;
        bool below = false;
        if constexpr (std::is_signed_v<Integer>) below = value < 0;
        const std::uint64_t magnitude = below ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                              : static_cast<std::uint64_t>(value);
        *this = rounded(below, magnitude, 0, false);
    }

    constexpr SoftExtended(double value) {  // NOLINT: converts like the built-in type
        const auto bits = __builtin_bit_cast(std::uint64_t, value);
        negative_ = (bits >> 63) != 0;
        const auto biased = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
        const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
        if (biased == 0x7FF) {
            kind_ = fraction == 0 ? Kind::Infinite : Kind::NotANumber;
            mantissa_ = fraction;
            return;
        }
        if (biased == 0 && fraction == 0) return;
        const std::uint64_t whole = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
        *this = rounded(negative_, whole, (biased == 0 ? 1 : biased) - 1075, false);
    }

#if defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ == 113
    // Quad precision, where long double is that: the literals of the tools,
    // rounded once to 64 bits as the x87 compiler rounds them.
    constexpr SoftExtended(long double value) {  // NOLINT: converts like the built-in type
        const auto bits = __builtin_bit_cast(Wide, value);
        negative_ = (bits >> 127) != 0;
        const auto biased = static_cast<std::int32_t>((bits >> 112) & 0x7FFF);
        const Wide fraction = bits & ((Wide{1} << 112) - 1);
        if (biased == 0x7FFF) {
            kind_ = fraction == 0 ? Kind::Infinite : Kind::NotANumber;
            mantissa_ = 1;
            return;
        }
        if (biased == 0 && fraction == 0) return;
        const Wide whole = biased == 0 ? fraction : fraction | (Wide{1} << 112);
        *this = rounded(negative_, whole, (biased == 0 ? 1 : biased) - 16383 - 112, false);
    }

    // Exactly: every 64-bit-mantissa value is a quad value.
    explicit constexpr operator long double() const {
        if (kind_ == Kind::NotANumber) return std::numeric_limits<long double>::quiet_NaN();
        Wide bits = negative_ ? Wide{1} << 127 : 0;
        if (kind_ == Kind::Infinite) return __builtin_bit_cast(long double, bits | (Wide{0x7FFF} << 112));
        if (kind_ == Kind::Zero) return __builtin_bit_cast(long double, bits);
        const int length = 64 - std::countl_zero(mantissa_);
        std::int32_t top = exponent_ + length - 1;  // the leading bit's power of two
        if (top >= -16382) {
            const Wide fraction = (Wide{mantissa_} << (113 - length)) & ((Wide{1} << 112) - 1);
            bits |= (Wide{static_cast<std::uint32_t>(top + 16383)} << 112) | fraction;
        } else {
            bits |= Wide{mantissa_} << (exponent_ + 16382 + 112);
        }
        return __builtin_bit_cast(long double, bits);
    }
#endif

    // The store to a double: rounded to nearest even, inf beyond its range.
    explicit constexpr operator double() const {
        const std::uint64_t sign = negative_ ? std::uint64_t{1} << 63 : 0;
        if (kind_ == Kind::NotANumber) return std::numeric_limits<double>::quiet_NaN();
        if (kind_ == Kind::Infinite) return __builtin_bit_cast(double, sign | (std::uint64_t{0x7FF} << 52));
        if (kind_ == Kind::Zero) return __builtin_bit_cast(double, sign);
        const Rounded r = roundTo(mantissa_, exponent_, false, 53, -1074, 971);
        if (r.overflow) return __builtin_bit_cast(double, sign | (std::uint64_t{0x7FF} << 52));
        if (r.kept == 0) return __builtin_bit_cast(double, sign);
        if (r.kept < (std::uint64_t{1} << 52)) return __builtin_bit_cast(double, sign | r.kept);  // denormal
        const auto biased = static_cast<std::uint64_t>(r.exponent + 1075);
        return __builtin_bit_cast(double, sign | (biased << 52) | (r.kept & ((std::uint64_t{1} << 52) - 1)));
    }

    // Cut toward zero; the caller has checked the range.
    template <typename Integer>
        requires std::is_integral_v<Integer>
    explicit constexpr operator Integer() const {
        if (kind_ != Kind::Finite || exponent_ <= -64) return 0;
        const std::uint64_t magnitude = exponent_ >= 0 ? mantissa_ << exponent_ : mantissa_ >> -exponent_;
        return static_cast<Integer>(negative_ ? std::uint64_t{0} - magnitude : magnitude);
    }

    friend constexpr SoftExtended operator-(SoftExtended value) {
        value.negative_ = !value.negative_;
        return value;
    }

    friend constexpr SoftExtended operator+(SoftExtended a, SoftExtended b) { return sum(a, b); }
    friend constexpr SoftExtended operator-(SoftExtended a, SoftExtended b) { return sum(a, -b); }
    friend constexpr SoftExtended operator*(SoftExtended a, SoftExtended b) {
        const bool sign = a.negative_ != b.negative_;
        if (a.isNaN()) return a;
        if (b.isNaN()) return b;
        if (a.kind_ == Kind::Infinite || b.kind_ == Kind::Infinite) {
            if (a.kind_ == Kind::Zero || b.kind_ == Kind::Zero) return indefinite();
            return infinity(sign);
        }
        if (a.kind_ == Kind::Zero || b.kind_ == Kind::Zero) return zero(sign);
        return rounded(sign, Wide{a.mantissa_} * b.mantissa_, a.exponent_ + b.exponent_, false);
    }
    friend constexpr SoftExtended operator/(SoftExtended a, SoftExtended b) {
        const bool sign = a.negative_ != b.negative_;
        if (a.isNaN()) return a;
        if (b.isNaN()) return b;
        if (a.kind_ == Kind::Infinite) return b.kind_ == Kind::Infinite ? indefinite() : infinity(sign);
        if (b.kind_ == Kind::Infinite) return zero(sign);
        if (b.kind_ == Kind::Zero) return a.kind_ == Kind::Zero ? indefinite() : infinity(sign);
        if (a.kind_ == Kind::Zero) return zero(sign);
        const SoftExtended n = a.normalized();
        const SoftExtended d = b.normalized();
        // 65 or more quotient bits and the remainder: enough to round once.
        Wide remainder = Wide{n.mantissa_} << 64;
        Wide quotient = remainder / d.mantissa_;
        remainder %= d.mantissa_;
        for (int extra = 0; extra < 2; ++extra) {
            remainder <<= 1;
            quotient <<= 1;
            if (remainder >= d.mantissa_) {
                remainder -= d.mantissa_;
                quotient |= 1;
            }
        }
        return rounded(sign, quotient, n.exponent_ - d.exponent_ - 66, remainder != 0);
    }

    SoftExtended& operator+=(SoftExtended other) { return *this = *this + other; }
    SoftExtended& operator-=(SoftExtended other) { return *this = *this - other; }
    SoftExtended& operator*=(SoftExtended other) { return *this = *this * other; }
    SoftExtended& operator/=(SoftExtended other) { return *this = *this / other; }

    friend constexpr bool operator==(SoftExtended a, SoftExtended b) { return order(a, b) == 0; }
    friend constexpr bool operator<(SoftExtended a, SoftExtended b) { return order(a, b) == -1; }
    friend constexpr bool operator>(SoftExtended a, SoftExtended b) { return order(a, b) == 1; }
    friend constexpr bool operator<=(SoftExtended a, SoftExtended b) {
        const int o = order(a, b);
        return o == -1 || o == 0;
    }
    friend constexpr bool operator>=(SoftExtended a, SoftExtended b) {
        const int o = order(a, b);
        return o == 1 || o == 0;
    }

    constexpr bool isNaN() const { return kind_ == Kind::NotANumber; }
    constexpr bool isFinite() const { return kind_ == Kind::Finite || kind_ == Kind::Zero; }
    // A finite value is mantissa() * 2^exponent().
    constexpr std::uint64_t mantissa() const { return mantissa_; }
    constexpr std::int32_t exponent() const { return exponent_; }
    constexpr bool isInfinite() const { return kind_ == Kind::Infinite; }
    constexpr bool isNegative() const { return negative_; }

    friend constexpr SoftExtended absolute(SoftExtended value) {
        value.negative_ = false;
        return value;
    }

    // Correctly rounded, as FSQRT: digit by digit on the mantissa widened to
    // 132 or 133 bits, so that 66 root bits and the remainder decide.
    friend constexpr SoftExtended squareRoot(SoftExtended value) {
        if (value.isNaN() || value.kind_ == Kind::Zero) return value;
        if (value.negative_) return indefinite();
        if (value.kind_ == Kind::Infinite) return value;
        const SoftExtended n = value.normalized();
        const int widen = (n.exponent_ & 1) == 0 ? 68 : 69;
        const int pairs = (64 + widen + 1) / 2;
        Wide root = 0;
        Wide remainder = 0;
        for (int pair = pairs - 1; pair >= 0; --pair) {
            // Bits 2 pair + 1 and 2 pair of mantissa * 2^widen.
            const int low = 2 * pair - widen;
            std::uint64_t two = 0;
            if (low >= 0 && low < 64) two = (n.mantissa_ >> low) & 3;
            if (low == -1) two = (n.mantissa_ & 1) << 1;
            remainder = (remainder << 2) | two;
            const Wide trial = (root << 2) | 1;
            root <<= 1;
            if (remainder >= trial) {
                remainder -= trial;
                root |= 1;
            }
        }
        return rounded(false, root, (n.exponent_ - widen) / 2, remainder != 0);
    }

    // Toward zero to a whole number.
    friend constexpr SoftExtended truncated(SoftExtended value) {
        if (value.kind_ != Kind::Finite || value.exponent_ >= 0) return value;
        if (value.exponent_ <= -64) return zero(value.negative_);
        const std::uint64_t whole = value.mantissa_ >> -value.exponent_;
        return rounded(value.negative_, whole, 0, false);
    }

    // The nearest whole number, halves to even.
    friend constexpr SoftExtended nearestWhole(SoftExtended value) {
        if (value.kind_ != Kind::Finite || value.exponent_ >= 0) return value;
        if (value.exponent_ < -64) return zero(value.negative_);
        const Rounded r = roundTo(value.mantissa_, value.exponent_, false, 64, 0, 64);
        return rounded(value.negative_, r.kept, r.exponent, false);
    }

    // value * 2^power, rounded where it falls into the denormals.
    friend constexpr SoftExtended scaled(SoftExtended value, int power) {
        if (value.kind_ != Kind::Finite) return value;
        return rounded(value.negative_, value.mantissa_, value.exponent_ + power, false);
    }

    static constexpr SoftExtended infinity(bool negative = false) {
        SoftExtended v;
        v.kind_ = Kind::Infinite;
        v.negative_ = negative;
        return v;
    }

    // The x87's default NaN of an invalid operation.
    static constexpr SoftExtended indefinite() {
        SoftExtended v;
        v.kind_ = Kind::NotANumber;
        v.negative_ = true;
        v.mantissa_ = std::uint64_t{3} << 62;
        return v;
    }

    // A finite normal value from the x87's register form.
    static constexpr SoftExtended fromRegister(std::uint16_t signAndExponent, std::uint64_t mantissa) {
        SoftExtended v;
        v.negative_ = (signAndExponent >> 15) != 0;
        v.kind_ = Kind::Finite;
        v.mantissa_ = mantissa;
        v.exponent_ = static_cast<std::int32_t>(signAndExponent & 0x7FFF) - 16383 - 63;
        return v;
    }

    // The bits of the x87's 80-bit register form: sign and exponent, mantissa.
    constexpr std::uint16_t signAndExponent() const {
        const std::uint16_t sign = negative_ ? 0x8000 : 0;
        if (kind_ == Kind::Zero) return sign;
        if (kind_ != Kind::Finite) return sign | 0x7FFF;
        if ((mantissa_ >> 63) == 0) return sign;  // denormal
        return static_cast<std::uint16_t>(sign | (exponent_ + 63 + 16383));
    }
    constexpr std::uint64_t registerMantissa() const {
        if (kind_ == Kind::Infinite) return std::uint64_t{1} << 63;
        if (kind_ == Kind::NotANumber) return mantissa_ | (std::uint64_t{3} << 62);
        return mantissa_;
    }

private:
    static constexpr SoftExtended zero(bool negative) {
        SoftExtended v;
        v.negative_ = negative;
        return v;
    }

    static constexpr SoftExtended rounded(bool negative, Wide significand, std::int32_t exponent, bool sticky) {
        const Rounded r = roundTo(significand, exponent, sticky, 64, smallestExponent, largestExponent);
        if (r.overflow) return infinity(negative);
        SoftExtended v;
        v.negative_ = negative;
        if (r.kept == 0) return v;
        v.kind_ = Kind::Finite;
        v.mantissa_ = r.kept;
        v.exponent_ = r.exponent;
        return v;
    }

    // A finite value with bit 63 set (a denormal below the x87's range).
    constexpr SoftExtended normalized() const {
        SoftExtended v = *this;
        const int shift = std::countl_zero(v.mantissa_);
        v.mantissa_ <<= shift;
        v.exponent_ -= shift;
        return v;
    }

    static constexpr SoftExtended sum(SoftExtended a, SoftExtended b) {
        if (a.isNaN()) return a;
        if (b.isNaN()) return b;
        if (a.kind_ == Kind::Infinite) {
            return b.kind_ == Kind::Infinite && b.negative_ != a.negative_ ? indefinite() : a;
        }
        if (b.kind_ == Kind::Infinite) return b;
        if (a.kind_ == Kind::Zero) {
            if (b.kind_ == Kind::Zero) return zero(a.negative_ && b.negative_);
            return b;
        }
        if (b.kind_ == Kind::Zero) return a;
        if (a.exponent_ < b.exponent_ || (a.exponent_ == b.exponent_ && a.mantissa_ < b.mantissa_)) {
            const SoftExtended t = a;
            a = b;
            b = t;
        }
        // Mantissas at bits 63 to 126, the smaller one shifted to the larger's
        // exponent; what falls off below sets the lowest bit (63 bits below the
        // result's last place, so that it only ever breaks a tie).
        const std::int32_t exponent = a.exponent_ - 63;
        const Wide large = Wide{a.mantissa_} << 63;
        Wide small = Wide{b.mantissa_} << 63;
        const std::int64_t distance = static_cast<std::int64_t>(a.exponent_) - b.exponent_;
        if (distance >= 127) {
            small = 1;
        } else if (distance > 0) {
            const bool lost = (small & ((Wide{1} << distance) - 1)) != 0;
            small = (small >> distance) | (lost ? 1 : 0);
        }
        if (a.negative_ == b.negative_) return rounded(a.negative_, large + small, exponent, false);
        if (large == small) return zero(false);
        return rounded(a.negative_, large - small, exponent, false);
    }

    // -1, 0, 1, or 2 where either is NaN.
    static constexpr int order(SoftExtended a, SoftExtended b) {
        if (a.isNaN() || b.isNaN()) return 2;
        if (a.kind_ == Kind::Zero && b.kind_ == Kind::Zero) return 0;
        const int signA = a.kind_ == Kind::Zero ? 0 : (a.negative_ ? -1 : 1);
        const int signB = b.kind_ == Kind::Zero ? 0 : (b.negative_ ? -1 : 1);
        if (signA != signB) return signA < signB ? -1 : 1;
        const int magnitude = compareMagnitude(a, b);
        return signA < 0 ? -magnitude : magnitude;
    }

    static constexpr int compareMagnitude(SoftExtended a, SoftExtended b) {
        if (a.kind_ == Kind::Infinite || b.kind_ == Kind::Infinite) {
            if (a.kind_ == b.kind_) return 0;
            return a.kind_ == Kind::Infinite ? 1 : -1;
        }
        const SoftExtended x = a.normalized();
        const SoftExtended y = b.normalized();
        if (x.exponent_ != y.exponent_) return x.exponent_ < y.exponent_ ? -1 : 1;
        if (x.mantissa_ != y.mantissa_) return x.mantissa_ < y.mantissa_ ? -1 : 1;
        return 0;
    }

    std::uint64_t mantissa_ = 0;
    std::int32_t exponent_ = smallestExponent;
    Kind kind_ = Kind::Zero;
    bool negative_ = false;
};

} // namespace softextended

using softextended::SoftExtended;
