// The software extended type against the x87 itself: every operation on
// random operands of many shapes gives the register's bits.
#include "softextended.hpp"

#include "bits80.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace {

std::string softBits(SoftExtended value) {
    char text[24];
    std::snprintf(text, sizeof text, "%04X%016llX", static_cast<unsigned>(value.signAndExponent()),
                  static_cast<unsigned long long>(value.registerMantissa()));
    return text;
}

SoftExtended fromHard(long double value) {
    // Through its bits: sign, exponent, mantissa, as two exact doubles' sum.
    if (std::isnan(value)) return SoftExtended::indefinite();
    if (std::isinf(value)) return SoftExtended::infinity(value < 0);
    int exponent = 0;
    const long double fraction = std::frexp(value, &exponent);
    const auto mantissa = static_cast<std::uint64_t>(std::fabs(std::ldexp(fraction, 64)));
    SoftExtended soft = scaled(SoftExtended(mantissa), exponent - 64);
    return value < 0 || std::signbit(value) ? -soft : soft;
}

// Operands: random mantissas, exponents near each other or far apart, ones
// close to ties (short mantissas whose products and sums land on halves),
// powers of two, denormals and the range's ends.
class Operands {
public:
    long double next() {
        const unsigned shape = pick_() % 8;
        const std::uint64_t bits = pick_();
        const int exponent = static_cast<int>(pick_() % 41) - 20;
        switch (shape) {
        case 0: return std::ldexp(static_cast<long double>(bits >> 32), exponent);
        case 1: return -std::ldexp(static_cast<long double>(bits | (std::uint64_t{1} << 63)), exponent - 63);
        case 2: return std::ldexp(1.0L, exponent) * (1 + static_cast<long double>(pick_() % 4) * 0x1p-63L);
        case 3: return std::ldexp(static_cast<long double>(bits | 1), static_cast<int>(pick_() % 32000) - 16000 - 63);
        case 4: return std::ldexp(static_cast<long double>(bits | 1), -16445 + static_cast<int>(pick_() % 80));
        case 5: return std::ldexp(static_cast<long double>(bits | (std::uint64_t{1} << 63)), 16320 - static_cast<int>(pick_() % 4));
        case 6: return static_cast<long double>(static_cast<std::int32_t>(bits)) / 7.0L;
        default: return std::ldexp(static_cast<long double>((bits >> 11) | 1), exponent);
        }
    }

private:
    std::mt19937_64 pick_{20240611};
};

TEST(SoftExtended, ConvertsTheX87sValuesBothWays) {
    Operands operands;
    for (int i = 0; i < 20000; ++i) {
        const long double value = operands.next();
        ASSERT_EQ(softBits(fromHard(value)), toBits(value));
    }
}

TEST(SoftExtended, AddsSubtractsMultipliesAndDividesAsTheX87) {
    Operands operands;
    for (int i = 0; i < 400000; ++i) {
        const long double a = operands.next();
        const long double b = operands.next();
        const SoftExtended x = fromHard(a);
        const SoftExtended y = fromHard(b);
        ASSERT_EQ(softBits(x + y), toBits(a + b)) << toBits(a) << " + " << toBits(b);
        ASSERT_EQ(softBits(x - y), toBits(a - b)) << toBits(a) << " - " << toBits(b);
        ASSERT_EQ(softBits(x * y), toBits(a * b)) << toBits(a) << " * " << toBits(b);
        if (b != 0) {
            ASSERT_EQ(softBits(x / y), toBits(a / b)) << toBits(a) << " / " << toBits(b);
        }
        ASSERT_EQ(x < y, a < b);
        ASSERT_EQ(x == y, a == b);
        ASSERT_EQ(x >= y, a >= b);
    }
}

TEST(SoftExtended, TakesSquareRootsAsTheX87) {
    Operands operands;
    for (int i = 0; i < 200000; ++i) {
        const long double a = std::fabs(operands.next());
        ASSERT_EQ(softBits(squareRoot(fromHard(a))), toBits(std::sqrt(a))) << toBits(a);
    }
    // Sums of two squares, as the polar form of the turn takes them.
    std::mt19937 pick(7);
    for (int i = 0; i < 200000; ++i) {
        const long double a = static_cast<std::int32_t>(pick() % 40001) - 20000;
        const long double b = static_cast<std::int32_t>(pick() % 40001) - 20000;
        const long double square = a * a + b * b;
        ASSERT_EQ(softBits(squareRoot(fromHard(square))), toBits(std::sqrt(square)));
    }
}

TEST(SoftExtended, StoresDoublesAndReadsThemAsTheX87) {
    Operands operands;
    for (int i = 0; i < 200000; ++i) {
        const long double a = operands.next();
        const double stored = static_cast<double>(a);
        const double softStored = static_cast<double>(fromHard(a));
        ASSERT_EQ(std::bit_cast<std::uint64_t>(softStored), std::bit_cast<std::uint64_t>(stored)) << toBits(a);
        ASSERT_EQ(softBits(SoftExtended(stored)), toBits(static_cast<long double>(stored)));
    }
    // Ties between two doubles go to the even one; one bit beyond breaks them.
    const long double tie = 1.0L + 0x1p-53L;
    EXPECT_EQ(static_cast<double>(fromHard(tie)), 1.0);
    EXPECT_EQ(static_cast<double>(fromHard(tie + 0x1p-63L)), 1.0 + 0x1p-52);
    EXPECT_EQ(static_cast<double>(fromHard(1.0L + 3 * 0x1p-53L)), 1.0 + 0x1p-51);
    EXPECT_TRUE(std::isinf(static_cast<double>(fromHard(0x1p1024L))));
    EXPECT_EQ(static_cast<double>(fromHard(0x1p-1075L)), 0.0);
    EXPECT_EQ(static_cast<double>(fromHard(0x1.8p-1075L)), 0x1p-1074);
}

TEST(SoftExtended, CutsAndRoundsToWholeNumbersAsTheX87) {
    Operands operands;
    for (int i = 0; i < 100000; ++i) {
        const long double a = operands.next();
        ASSERT_EQ(softBits(truncated(fromHard(a))), toBits(std::trunc(a))) << toBits(a);
        ASSERT_EQ(softBits(nearestWhole(fromHard(a))), toBits(std::nearbyint(a))) << toBits(a);
        if (std::fabs(a) < 0x1p62L) {
            ASSERT_EQ(static_cast<std::int64_t>(fromHard(a)), static_cast<std::int64_t>(a)) << toBits(a);
        }
    }
    EXPECT_EQ(static_cast<double>(nearestWhole(SoftExtended(2.5))), 2.0);
    EXPECT_EQ(static_cast<double>(nearestWhole(SoftExtended(-3.5))), -4.0);
    EXPECT_EQ(static_cast<double>(nearestWhole(SoftExtended(0.5))), 0.0);
    EXPECT_EQ(static_cast<std::int32_t>(SoftExtended(-7.9)), -7);
}

TEST(SoftExtended, GivesTheX87sSpecialValues) {
    const SoftExtended zero(0);
    const SoftExtended one(1);
    const SoftExtended inf = SoftExtended::infinity();
    EXPECT_EQ(softBits(zero / zero), toBits(-std::numeric_limits<long double>::quiet_NaN()));
    EXPECT_EQ(softBits(inf - inf), "FFFFC000000000000000");
    EXPECT_EQ(softBits(squareRoot(-one)), "FFFFC000000000000000");
    EXPECT_EQ(softBits(one / zero), "7FFF8000000000000000");
    EXPECT_EQ(softBits(-one / zero), "FFFF8000000000000000");
    EXPECT_EQ(softBits(one - one), "00000000000000000000");
    EXPECT_EQ(softBits(-zero + -zero), "80000000000000000000");
    EXPECT_EQ(softBits(squareRoot(-zero)), "80000000000000000000");
    EXPECT_FALSE(SoftExtended::indefinite() == SoftExtended::indefinite());
    EXPECT_EQ(softBits(scaled(SoftExtended(1), 16000) * scaled(SoftExtended(1), 1000)), "7FFF8000000000000000");
}

} // namespace
