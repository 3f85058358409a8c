#include "hyperbolic.hpp"

#include "lines.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace glattzug;

namespace {

std::int32_t rowOfSource(const HyperbolicCoefficients& coefficients, std::int32_t source) {
    return hyperbolicRow(coefficients, latitudeAtRow(coefficients, source));
}

}

TEST(HyperbolicWanted, OnlyLowerLatitudeBelow91Counts) {
    EXPECT_TRUE(hyperbolicWanted(40));
    EXPECT_TRUE(hyperbolicWanted(90.999));
    EXPECT_TRUE(hyperbolicWanted(-95));
    EXPECT_FALSE(hyperbolicWanted(91));
    EXPECT_FALSE(hyperbolicWanted(95));
    EXPECT_FALSE(hyperbolicWanted(noLatitude));
}

TEST(HyperbolicSine, IsTheExtendedDifferenceOfExponentials) {
    EXPECT_EQ(hyperbolicSine(0.0), 0.0);
    EXPECT_EQ(hyperbolicSine(1.0), 1.1752011936438014);
    EXPECT_EQ(hyperbolicSine(-1.0), -1.1752011936438014);
}

TEST(Coefficients, ExampleOfHeight101From40To60) {
    const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(40, 60, 101);
    ASSERT_TRUE(formed);
    EXPECT_EQ(formed->linSlope, -5.0);
    EXPECT_EQ(formed->linOffset, 300.0);
    EXPECT_NEAR(formed->hypScale, 40.5575, 0.00005);
    EXPECT_NEAR(formed->hypOffset, -11913.8936, 0.00005);
}

TEST(Coefficients, LatitudeAtRowRunsFromUpperToLower) {
    const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(40, 60, 101);
    ASSERT_TRUE(formed);
    EXPECT_EQ(latitudeAtRow(*formed, 0.0), 60.0);
    EXPECT_EQ(latitudeAtRow(*formed, 4.0), 59.2);
    EXPECT_EQ(latitudeAtRow(*formed, 50.0), 50.0);
    EXPECT_EQ(latitudeAtRow(*formed, 70.0), 46.0);
    EXPECT_EQ(latitudeAtRow(*formed, 100.0), 40.0);
}

TEST(HyperbolicRow, TableOfHeight101From40To60) {
    const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(40, 60, 101);
    ASSERT_TRUE(formed);
    EXPECT_EQ(rowOfSource(*formed, 0), 0);
    EXPECT_EQ(rowOfSource(*formed, 4), 5);
    EXPECT_EQ(rowOfSource(*formed, 50), 53);
    EXPECT_EQ(rowOfSource(*formed, 69), 72);
    EXPECT_EQ(rowOfSource(*formed, 70), 72);
    EXPECT_EQ(rowOfSource(*formed, 100), 100);
}

TEST(HyperbolicRow, LowerAboveUpperMovesRowFiftyTo47) {
    const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(60, 40, 101);
    ASSERT_TRUE(formed);
    EXPECT_EQ(rowOfSource(*formed, 0), 0);
    EXPECT_EQ(rowOfSource(*formed, 50), 47);
    EXPECT_EQ(rowOfSource(*formed, 100), 100);
}

TEST(HyperbolicRow, NeverFallsAlongAColumnAndReachesBothEnds) {
    for (auto [lower, upper] : std::vector<std::pair<double, double>>{{40, 60}, {60, 40}, {-50, -30}, {-20, 70}}) {
        const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(lower, upper, 301);
        ASSERT_TRUE(formed);
        std::int32_t previous = rowOfSource(*formed, 0);
        EXPECT_EQ(previous, 0);
        for (std::int32_t source = 1; source <= 300; ++source) {
            std::int32_t row = rowOfSource(*formed, source);
            EXPECT_GE(row, previous);
            previous = row;
        }
        EXPECT_EQ(previous, 300);
    }
}

TEST(HyperbolicRow, HugeRowsGiveTheLargestInteger) {
    const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(40, 60, 101);
    ASSERT_TRUE(formed);
    EXPECT_EQ(hyperbolicRow(*formed, 10000.0), 2147483647);
    EXPECT_EQ(hyperbolicRow(*formed, -10000.0), 2147483647);
}

TEST(LatitudeAtRow, ZeroSlopeGivesNoLatitude) {
    EXPECT_EQ(latitudeAtRow(HyperbolicCoefficients{}, 12.0), 1000000000.0);
}

TEST(TargetPosition, HyperbolicModeMapsTheLinearPosition) {
    const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(40, 60, 101);
    ASSERT_TRUE(formed);
    const HyperbolicCoefficients coefficients = *formed;
    FrameEdges whole{0, 100, true};
    EXPECT_EQ(targetPosition(&coefficients, 101, whole, 4), 5);
    EXPECT_EQ(targetPosition(&coefficients, 101, whole, 50), 53);
    FrameEdges framed{10, 60, true};
    EXPECT_EQ(targetPosition(&coefficients, 101, framed, 10), 0);
    EXPECT_EQ(targetPosition(&coefficients, 101, framed, 35), 53);
    EXPECT_EQ(targetPosition(&coefficients, 101, framed, 60), 100);
}

TEST(Coefficients, CannotBeFormedForEqualLatitudes) {
    EXPECT_FALSE(hyperbolicCoefficients(50, 50, 101));
}

TEST(Coefficients, CannotBeFormedForASingleRow) {
    EXPECT_FALSE(hyperbolicCoefficients(40, 60, 1));
}

TEST(Coefficients, CannotBeFormedWhenSValuesAreEqualInDoublePrecision) {
    ASSERT_NE(1.9900000000000004, 1.9900000000000007);
    EXPECT_FALSE(hyperbolicCoefficients(1.9900000000000004, 1.9900000000000007, 101));
}

TEST(Coefficients, CannotBeFormedWhenSinhOverflows) {
    EXPECT_FALSE(hyperbolicCoefficients(40, 50000, 101));
    EXPECT_FALSE(hyperbolicCoefficients(-50000, 40, 101));
}

TEST(Coefficients, CannotBeFormedWhenTheSlopeOverflows) {
    EXPECT_FALSE(hyperbolicCoefficients(0.0, 4.9406564584124654e-324, 101));
}

TEST(Coefficients, CannotBeFormedWhenTheEndRowsLeaveTheDoubleRange) {
    EXPECT_FALSE(hyperbolicCoefficients(-40000.001, -40000.0, 65535));
}

TEST(Coefficients, NegativeLatitudesAreUsedAsTheyAre) {
    const std::optional<HyperbolicCoefficients> formed = hyperbolicCoefficients(-60, -40, 101);
    ASSERT_TRUE(formed);
    EXPECT_EQ(formed->linSlope, -5.0);
    EXPECT_EQ(formed->linOffset, -200.0);
    EXPECT_EQ(rowOfSource(*formed, 50), 47);
}
