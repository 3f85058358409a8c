// The numbers of the exports: their text, the inverse hyperbolic sine they
// are computed with, and the grid's density.
#include "exportrun.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace passnetz;

namespace {

TEST(NumberText, ShortestDigitsWithoutExponent) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.0, "1"},
        {-2.5, "-2.5"},
        {0.1, "0.1"},
        {100.0, "100"},
        {1e21, "1000000000000000000000"},
        {1.5e-7, "0.00000015"},
        {-123456.789, "-123456.789"},
        {5.551893782988762, "5.551893782988762"},
        {1.0 / 3.0, "0.3333333333333333"},
        {4.35e-5, "0.0000435"},
        {1.5e-30, "0.0000000000000000000000000000015"},
    };
    for (const auto& c : cases) EXPECT_EQ(numberText(c.value), c.text) << c.text;
}

TEST(NumberText, ReadsBackAsTheSameDouble) {
    for (double value : {0.7, 47.123456789012345, -1e-300, 6.02214076e23, 9007199254740993.0, 1.7976931348623157e308}) {
        EXPECT_EQ(std::strtod(numberText(value).c_str(), nullptr), value) << numberText(value);
    }
}

TEST(Asinh, KnownValuesWithinAUnitInTheLastPlace) {
    const struct {
        double s;
        double expected;
    } cases[] = {
        {0.0, 0.0},
        {0.75, 0.69314718055994531},         // ln 2
        {-4.0 / 3.0, -1.0986122886681098},   // -ln 3
        {1.0, 0.88137358701954303},          // ln(1 + sqrt 2)
        {1e-10, 1e-10},
        {2.3012989023072947, 1.5707963267948966},  // sinh(pi / 2)
    };
    for (const auto& c : cases) {
        const double got = asinhOfDoubles(c.s);
        EXPECT_LE(std::fabs(got - c.expected), std::fabs(c.expected) * 0x1p-52 + 1e-300) << c.s;
    }
}

TEST(Asinh, AgreesWithTheLibraryAcrossTheLatitudes) {
    double worst = 0.0;
    for (int i = -2400; i <= 2400; ++i) {
        const double s = i / 1000.0 + 0.000123;
        worst = std::max(worst, std::fabs(asinhOfDoubles(s) - std::asinh(s)) / std::fabs(std::asinh(s)));
    }
    EXPECT_LT(worst, 1e-15);
}

TEST(GridSize, StepsFollowTheCurvatureOfTheRows) {
    Calibration calibration;
    calibration.a = 1.0;
    const struct {
        std::int32_t width, height;
        double c;
        std::int32_t across, down;
    } cases[] = {
        {320, 240, -1084.8802, 7, 5},      // the sample: steps of 46 and 48 pixels
        {4000, 3000, -1e7, 16, 12},        // a flat map: steps of 250
        {4000, 3000, -2000, 40, 32},       // h^4 <= 0.01 |c|^3: steps of 94 pixels, at most 40 across
        {300, 20000, -1e6, 2, 40},         // never more than 40 intervals
        {1, 1, -1084.8802, 1, 1},          // one pixel: its corners
        {4, 3, -4.0, 4, 3},                // at most one interval a pixel
    };
    for (const auto& c : cases) {
        calibration.c = c.c;
        const GridSize size = gridSizeFor(c.width, c.height, calibration);
        EXPECT_EQ(size.across, c.across) << c.width << " x " << c.height;
        EXPECT_EQ(size.down, c.down) << c.width << " x " << c.height;
    }
}

} // namespace
