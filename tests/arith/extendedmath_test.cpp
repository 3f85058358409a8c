// The tools' transcendental functions against values computed independently
// at high precision (make_extendedmath_table.py): within one unit in the last
// place of the 64-bit mantissa everywhere, the quarter turn and the latitudes
// whose sinh the platforms' libraries disagreed on included.
#include "bits80.hpp"
#include "extendedmath.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// |value - reference| in units of the reference's last place.
long double ulpsApart(long double value, long double reference) {
    int exponent = 0;
    std::frexp(reference, &exponent);
    return std::fabs(value - reference) / std::ldexp(1.0L, exponent - 64);
}

TEST(ExtendedMath, EveryTabulatedValueWithinOneUnitInTheLastPlace) {
    std::ifstream table(EXTENDEDMATH_TABLE);
    ASSERT_TRUE(table) << EXTENDEDMATH_TABLE;
    std::string line;
    int rows = 0;
    int exact = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string function, argument, expected;
        fields >> function >> argument >> expected;
        const long double x = fromBits(argument);
        const long double reference = fromBits(expected);
        long double value = function == "sin"    ? sineX87(x)
                            : function == "cos"  ? cosineX87(x)
                            : function == "atan" ? arctangentX87(x)
                                                 : exponential(x);
        EXPECT_LE(ulpsApart(value, reference), 1.0L) << line;
        exact += value == reference;
        ++rows;
    }
    EXPECT_GT(rows, 250);
    RecordProperty("correctly rounded", exact);
}

TEST(ExtendedMath, ExponentialAtTheEdgesOfItsRange) {
    EXPECT_EQ(exponential(0.0L), 1.0L);
    EXPECT_EQ(exponential(11400.0L), HUGE_VALL);
    EXPECT_EQ(exponential(-11500.0L), 0.0L);
    EXPECT_EQ(exponential(HUGE_VALL), HUGE_VALL);
    EXPECT_EQ(exponential(-HUGE_VALL), 0.0L);
    EXPECT_TRUE(std::isnan(exponential(std::nanl(""))));
    // Just below the largest finite value and just beyond it.
    EXPECT_TRUE(std::isfinite(exponential(11356.5L)));
    EXPECT_EQ(exponential(11356.6L), HUGE_VALL);
}

} // namespace
