// The progress dots: one for each new even step of the line of 79.
#include "console.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DotsCase {
    std::int32_t units;
    std::string shown;
};

class Dots : public ::testing::TestWithParam<DotsCase> {};

TEST_P(Dots, OneForEachNewEvenStep) {
    std::string console;
    captureConsole(&console);
    ProgressDots dots;
    for (std::int32_t i = 0; i < GetParam().units; ++i) dots.advance(i, GetParam().units - 1);
    captureConsole(nullptr);
    EXPECT_EQ(console, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Lines, Dots,
                         ::testing::Values(DotsCase{1, "."}, DotsCase{2, "."}, DotsCase{11, "...."},
                                           DotsCase{80, "."}, DotsCase{1000, std::string(79, '.')}));

TEST(Dots, NoOverflowNearTheTopOfTheRange) {
    EXPECT_EQ(progressStep(2147483647, 2147483647), 157);
    EXPECT_EQ(progressStep(2147483646, 2147483647), 156);
}

} // namespace
