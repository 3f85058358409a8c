#include "linefit.hpp"

#include "failure.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace messkart;

namespace {

TEST(LineFit, TwoPointsGiveTheLineThroughBoth) {
    LineFit fit;
    addPoint(fit, 100, 10.0);
    addPoint(fit, 300, 12.0);
    EXPECT_EQ(fit.count, 2);
    EXPECT_DOUBLE_EQ(fit.slope, 100.0);
    EXPECT_DOUBLE_EQ(fit.intercept, -900.0);
}

TEST(LineFit, OnePointLeavesTheLineAtZero) {
    LineFit fit;
    addPoint(fit, 250, 7.5);
    EXPECT_EQ(fit.count, 1);
    EXPECT_EQ(fit.sumXY, 1875.0);
    EXPECT_EQ(fit.sumY, 250.0);
    EXPECT_EQ(fit.sumX, 7.5);
    EXPECT_EQ(fit.sumXX, 56.25);
    EXPECT_EQ(fit.slope, 0.0);
    EXPECT_EQ(fit.intercept, 0.0);
}

TEST(LineFit, ThreePointsOffTheLineGiveTheLeastSquaresLine) {
    // y = 2x + 1 with the middle point one pixel high: slope 2, intercept 1 + 1/3.
    LineFit fit;
    addPoint(fit, 1, 0.0);
    addPoint(fit, 4, 1.0);
    addPoint(fit, 5, 2.0);
    EXPECT_DOUBLE_EQ(fit.slope, 2.0);
    EXPECT_NEAR(fit.intercept, 4.0 / 3.0, 1e-12);
}

TEST(LineFit, PointsOnOneMeridianGiveAFlatLineWithoutFailure) {
    LineFit fit;
    addPoint(fit, 100, 10.0);
    addPoint(fit, 300, 10.0);
    addPoint(fit, 700, 10.0);
    EXPECT_EQ(fit.slope, 0.0);
    EXPECT_EQ(fit.intercept, 0.0);
}

// Where the computed divisor is rounding noise instead of zero, a fit on one
// parallel or one meridian still comes out flat, not steep.
TEST(LineFit, PointsOnOneParallelOrMeridianGiveAFlatLineWhateverTheNoise) {
    LineFit parallel;
    LineFit meridian;
    for (int i = 0; i < 8; ++i) {
        addLatitudePoint(parallel, 100 + 7 * i, 45.0);
        addPoint(meridian, 50 + 37 * i, 8.3);
    }
    for (const LineFit& fit : {parallel, meridian}) {
        EXPECT_LT(std::fabs(fit.slope), 1e-9);
        EXPECT_LT(std::fabs(fit.intercept), 1e-9);
    }
}

TEST(LineFit, ResetClearsEveryField) {
    LineFit fit;
    addPoint(fit, 100, 10.0);
    addPoint(fit, 300, 12.0);
    resetFit(fit);
    EXPECT_EQ(fit.count, 0);
    EXPECT_EQ(fit.sumXY, 0.0);
    EXPECT_EQ(fit.sumXX, 0.0);
    EXPECT_EQ(fit.slope, 0.0);
    EXPECT_EQ(fit.intercept, 0.0);
}

TEST(LatitudeFit, LatitudeZeroAndThirtyGiveTheRowsAtBoth) {
    // sinh(pi/6) = 0.5478534738880397: the slope is -800 / that.
    LineFit fit;
    addLatitudePoint(fit, 900, 0.0);
    addLatitudePoint(fit, 100, 30.0);
    EXPECT_EQ(fit.intercept, 900.0);
    EXPECT_NEAR(fit.slope, -1460.2444597503627, 1e-9);
}

TEST(LatitudeFit, LatitudeScaleIsSinhOfRadians) {
    EXPECT_EQ(latitudeScale(0.0), 0.0);
    EXPECT_NEAR(latitudeScale(30.0), 0.5478534738880397, 1e-15);
    EXPECT_NEAR(latitudeScale(-90.0), -2.3012989023072947, 1e-14);
    EXPECT_NEAR(latitudeScale(180.0), 11.548739357257748, 1e-13);
}

TEST(LatitudeFit, AbsurdLatitudeOverflows) {
    LineFit fit;
    try {
        addLatitudePoint(fit, 100, 50000.0);
        FAIL() << "no failure";
    } catch (const RunFailure& failure) {
        EXPECT_EQ(failure.kind, FailureKind::FpOverflow);
    }
}

TEST(LatitudeFit, SquareOfALargeSinhOverflowsTheSum) {
    // sinh of 21000 degrees is near 1e159: its square leaves the double range.
    LineFit fit;
    try {
        addLatitudePoint(fit, 100, 21000.0);
        FAIL() << "no failure";
    } catch (const RunFailure& failure) {
        EXPECT_EQ(failure.kind, FailureKind::FpOverflow);
    }
}

TEST(LineFit, CountBeyond32BitsIsAnIntegerOverflow) {
    LineFit fit;
    fit.count = 2147483647;
    try {
        addPoint(fit, 1, 1.0);
        FAIL() << "no failure";
    } catch (const RunFailure& failure) {
        EXPECT_EQ(failure.kind, FailureKind::IntOverflow);
    }
}

} // namespace
