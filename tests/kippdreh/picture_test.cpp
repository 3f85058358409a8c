// The turned picture pixel for pixel, and the dots of the pass.
#include "kippdreh_runs.hpp"

#include <gtest/gtest.h>

namespace {

const Bgr a{10, 0, 1}, b{20, 0, 2}, c{30, 0, 3}, d{40, 0, 4}, e{50, 0, 5}, f{60, 0, 6}, g{70, 0, 7},
    h{80, 0, 8}, i{90, 0, 9}, _{0, 0, 0};

const PixelRows letters = {
    {a, b, c},
    {d, e, f},
    {g, h, i},
};

TEST(RotationPicture, QuarterTurnClockwise) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "Q.BMP", makeBmp(letters), {"Q.BMP", "g=90"}, "Q.TMP");
    ASSERT_EQ(run.result.exitCode, 0);
    EXPECT_EQ(run.output.size(), 136u);
    PixelRows expected = {
        {_, _, _, _, _},
        {g, g, d, a, _},
        {h, h, e, b, _},
        {i, i, f, c, _},
        {_, _, _, _, _},
    };
    EXPECT_EQ(readPixels(run.output), expected);
    // The top row, its fill byte and the two bytes beyond it, written black.
    EXPECT_EQ(run.output.substr(54 + 16 * 4), std::string(18, '\0'));
}

TEST(RotationPicture, QuarterTurnAnticlockwise) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "Q.BMP", makeBmp(letters), {"Q.BMP", "g=-90"}, "Q.TMP");
    ASSERT_EQ(run.result.exitCode, 0);
    PixelRows expected = {
        {_, _, _, _, _},
        {c, c, f, i, _},
        {b, b, e, h, _},
        {a, a, d, g, _},
        {_, _, _, _, _},
    };
    EXPECT_EQ(readPixels(run.output), expected);
    EXPECT_EQ(run.output.size(), 136u);
}

TEST(RotationPicture, TopRowIsBlackOverAWhitePicture) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "W.BMP", makeBmp(filledPicture(9, 7, {255, 255, 255})),
                                  {"W.BMP", "g=3"}, "W.TMP");
    ASSERT_EQ(run.result.exitCode, 0);
    PixelRows pixels = readPixels(run.output);
    for (const Bgr& pixel : pixels[0]) EXPECT_EQ(pixel, _);
    EXPECT_EQ(pixels[pixels.size() / 2][pixels[0].size() / 2], (Bgr{255, 255, 255}));
}

struct DotCase {
    int height;
    int passDots;
};

class RotationDots : public ::testing::TestWithParam<DotCase> {};

TEST_P(RotationDots, PassLineHoldsTheEvenSteps) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "D.BMP", makeBmp(patternPicture(4, GetParam().height)),
                                  {"D.BMP", "x=-1"}, "D.TMP");
    ASSERT_EQ(run.result.exitCode, 0);
    std::string tail = dots(GetParam().passDots) + "\r\nD.TMP geschrieben";
    EXPECT_NE(run.result.output.find("\r\n" + tail), std::string::npos) << run.result.output;
}

INSTANTIATE_TEST_SUITE_P(Heights, RotationDots,
                         ::testing::Values(DotCase{2, 1}, DotCase{11, 4}, DotCase{100, 47}, DotCase{157, 78},
                                           DotCase{158, 79}));

} // namespace
