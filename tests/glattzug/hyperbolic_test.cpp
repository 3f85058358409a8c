#include "hyperbolic.hpp"
#include "rectifystate.hpp"

#include "lines.hpp"

#include <gtest/gtest.h>

#include <vector>

using namespace glattzug;

namespace {

RectifyState stateFor(std::int32_t height, double lower, double upper) {
    RectifyState state;
    state.modeLetter = 'V';
    state.layout = layoutFor(54, 1, height);
    state.BG_unten = lower;
    state.BG_oben = upper;
    return state;
}

std::int32_t rowOfSource(const RectifyState& state, std::int32_t source) {
    return hyperbolicRow(coefficientsOf(state), latitudeAtRow(coefficientsOf(state), source));
}

}

TEST(HyperbolicWanted, OnlyLowerLatitudeBelow91Counts) {
    EXPECT_TRUE(hyperbolicWanted(stateFor(101, 40, 60)));
    EXPECT_TRUE(hyperbolicWanted(stateFor(101, 90.999, 2000)));
    EXPECT_TRUE(hyperbolicWanted(stateFor(101, -95, 60)));
    EXPECT_FALSE(hyperbolicWanted(stateFor(101, 91, 60)));
    EXPECT_FALSE(hyperbolicWanted(stateFor(101, 95, 55)));
    EXPECT_FALSE(hyperbolicWanted(stateFor(101, noLatitude, noLatitude)));
}

TEST(HyperbolicSine, IsTheExtendedDifferenceOfExponentials) {
    EXPECT_EQ(hyperbolicSine(0.0), 0.0);
    EXPECT_EQ(hyperbolicSine(1.0), 1.1752011936438014);
    EXPECT_EQ(hyperbolicSine(-1.0), -1.1752011936438014);
}

TEST(Coefficients, ExampleOfHeight101From40To60) {
    RectifyState state = stateFor(101, 40, 60);
    ASSERT_TRUE(formHyperbolicCoefficients(state));
    EXPECT_EQ(state.linSlope, -5.0);
    EXPECT_EQ(state.linOffset, 300.0);
    EXPECT_NEAR(state.hypScale, 40.5575, 0.00005);
    EXPECT_NEAR(state.hypOffset, -11913.8936, 0.00005);
}

TEST(Coefficients, LatitudeAtRowRunsFromUpperToLower) {
    RectifyState state = stateFor(101, 40, 60);
    ASSERT_TRUE(formHyperbolicCoefficients(state));
    EXPECT_EQ(latitudeAtRow(coefficientsOf(state), 0.0), 60.0);
    EXPECT_EQ(latitudeAtRow(coefficientsOf(state), 4.0), 59.2);
    EXPECT_EQ(latitudeAtRow(coefficientsOf(state), 50.0), 50.0);
    EXPECT_EQ(latitudeAtRow(coefficientsOf(state), 70.0), 46.0);
    EXPECT_EQ(latitudeAtRow(coefficientsOf(state), 100.0), 40.0);
}

TEST(HyperbolicRow, TableOfHeight101From40To60) {
    RectifyState state = stateFor(101, 40, 60);
    ASSERT_TRUE(formHyperbolicCoefficients(state));
    EXPECT_EQ(rowOfSource(state, 0), 0);
    EXPECT_EQ(rowOfSource(state, 4), 5);
    EXPECT_EQ(rowOfSource(state, 50), 53);
    EXPECT_EQ(rowOfSource(state, 69), 72);
    EXPECT_EQ(rowOfSource(state, 70), 72);
    EXPECT_EQ(rowOfSource(state, 100), 100);
}

TEST(HyperbolicRow, LowerAboveUpperMovesRowFiftyTo47) {
    RectifyState state = stateFor(101, 60, 40);
    ASSERT_TRUE(formHyperbolicCoefficients(state));
    EXPECT_EQ(rowOfSource(state, 0), 0);
    EXPECT_EQ(rowOfSource(state, 50), 47);
    EXPECT_EQ(rowOfSource(state, 100), 100);
}

TEST(HyperbolicRow, NeverFallsAlongAColumnAndReachesBothEnds) {
    for (auto [lower, upper] : std::vector<std::pair<double, double>>{{40, 60}, {60, 40}, {-50, -30}, {-20, 70}}) {
        RectifyState state = stateFor(301, lower, upper);
        ASSERT_TRUE(formHyperbolicCoefficients(state));
        std::int32_t previous = rowOfSource(state, 0);
        EXPECT_EQ(previous, 0);
        for (std::int32_t source = 1; source <= 300; ++source) {
            std::int32_t row = rowOfSource(state, source);
            EXPECT_GE(row, previous);
            previous = row;
        }
        EXPECT_EQ(previous, 300);
    }
}

TEST(HyperbolicRow, HugeRowsGiveTheLargestInteger) {
    RectifyState state = stateFor(101, 40, 60);
    ASSERT_TRUE(formHyperbolicCoefficients(state));
    EXPECT_EQ(hyperbolicRow(coefficientsOf(state), 10000.0), 2147483647);
    EXPECT_EQ(hyperbolicRow(coefficientsOf(state), -10000.0), 2147483647);
}

TEST(LatitudeAtRow, ZeroSlopeGivesNoLatitude) {
    RectifyState state;
    EXPECT_EQ(latitudeAtRow(coefficientsOf(state), 12.0), 1000000000.0);
}

TEST(TargetPosition, HyperbolicModeMapsTheLinearPosition) {
    RectifyState state = stateFor(101, 40, 60);
    ASSERT_TRUE(formHyperbolicCoefficients(state));
    const HyperbolicCoefficients coefficients = coefficientsOf(state);
    FrameEdges whole{0, 100, true};
    EXPECT_EQ(targetPosition(&coefficients, 101, whole, 4), 5);
    EXPECT_EQ(targetPosition(&coefficients, 101, whole, 50), 53);
    FrameEdges framed{10, 60, true};
    EXPECT_EQ(targetPosition(&coefficients, 101, framed, 10), 0);
    EXPECT_EQ(targetPosition(&coefficients, 101, framed, 35), 53);
    EXPECT_EQ(targetPosition(&coefficients, 101, framed, 60), 100);
}

TEST(Coefficients, CannotBeFormedForEqualLatitudes) {
    RectifyState state = stateFor(101, 50, 50);
    EXPECT_FALSE(formHyperbolicCoefficients(state));
}

TEST(Coefficients, CannotBeFormedForASingleRow) {
    RectifyState state = stateFor(1, 40, 60);
    EXPECT_FALSE(formHyperbolicCoefficients(state));
}

TEST(Coefficients, CannotBeFormedWhenSValuesAreEqualInDoublePrecision) {
    RectifyState state = stateFor(101, 1.9900000000000004, 1.9900000000000007);
    ASSERT_NE(state.BG_unten, state.BG_oben);
    EXPECT_FALSE(formHyperbolicCoefficients(state));
}

TEST(Coefficients, CannotBeFormedWhenSinhOverflows) {
    RectifyState upper = stateFor(101, 40, 50000);
    EXPECT_FALSE(formHyperbolicCoefficients(upper));
    RectifyState lower = stateFor(101, -50000, 40);
    EXPECT_FALSE(formHyperbolicCoefficients(lower));
}

TEST(Coefficients, CannotBeFormedWhenTheSlopeOverflows) {
    RectifyState state = stateFor(101, 0.0, 4.9406564584124654e-324);
    EXPECT_FALSE(formHyperbolicCoefficients(state));
}

TEST(Coefficients, CannotBeFormedWhenTheEndRowsLeaveTheDoubleRange) {
    RectifyState state = stateFor(65535, -40000.001, -40000.0);
    EXPECT_FALSE(formHyperbolicCoefficients(state));
}

TEST(Coefficients, NegativeLatitudesAreUsedAsTheyAre) {
    RectifyState state = stateFor(101, -60, -40);
    ASSERT_TRUE(formHyperbolicCoefficients(state));
    EXPECT_EQ(state.linSlope, -5.0);
    EXPECT_EQ(state.linOffset, -200.0);
    EXPECT_EQ(rowOfSource(state, 50), 47);
}

TEST(Coefficients, FailureLeavesTheCoefficientsUntouched) {
    RectifyState state = stateFor(101, 50, 50);
    EXPECT_FALSE(formHyperbolicCoefficients(state));
    EXPECT_EQ(state.linSlope, 0.0);
    EXPECT_EQ(state.linOffset, 0.0);
    EXPECT_EQ(state.hypScale, 0.0);
    EXPECT_EQ(state.hypOffset, 0.0);
}
