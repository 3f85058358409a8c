// The tool's engine against the straightforward model, byte for byte, on
// random pictures: odd and even sizes, gaps before the pixel data, junk in
// the row padding, and angles where the fast form often defers to the polar
// form (30 and 60 degrees put many pixels on a rounding tie) or where the
// picture turns by exact quarters.
#include "kippdreh_runs.hpp"
#include "reference_rotation.hpp"
#include "arguments.hpp"
#include "runrotation.hpp"
#include "turn.hpp"
#include "console.hpp"
#include "extendedmath.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace kippdreh;

namespace {

double radiansOf(double degrees) {
    return static_cast<double>(static_cast<long double>(degrees) * 3.14159265358979323851L / 180.0L);
}

std::string randomPicture(std::mt19937& random, int width, int height) {
    PixelRows rows(static_cast<std::size_t>(height), std::vector<Bgr>(static_cast<std::size_t>(width)));
    std::uniform_int_distribution<int> byte(0, 255);
    std::bernoulli_distribution black(0.1);
    for (auto& row : rows) {
        for (Bgr& pixel : row) {
            pixel = black(random) ? Bgr{0, 0, 0}
                                  : Bgr{static_cast<unsigned char>(byte(random)), static_cast<unsigned char>(byte(random)),
                                        static_cast<unsigned char>(byte(random))};
        }
    }
    BmpOptions options;
    options.dataOffset = 54 + 4 * std::uniform_int_distribution<int>(0, 3)(random);
    options.paddingByte = static_cast<unsigned char>(byte(random));
    std::string bmp = makeBmp(rows, options);
    for (std::size_t gap = 54; gap < static_cast<std::size_t>(options.dataOffset); ++gap) {
        bmp[gap] = static_cast<char>(byte(random));
    }
    return bmp;
}

void expectSameAsModel(const std::string& input, const std::string& argument, double angle) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "R.BMP", input, {"R.BMP", argument}, "R.TMP");
    ASSERT_EQ(run.result.exitCode, 0) << argument << "\n" << run.result.output;
    std::string expected = referenceRotation(input, angle);
    ASSERT_EQ(run.output.size(), expected.size()) << argument;
    EXPECT_TRUE(run.output == expected) << argument << " on " << littleEndian16(input, 18) << "x"
                                        << littleEndian16(input, 22);
}

TEST(RotationAgainstModel, RandomPicturesAtAwkwardAngles) {
    std::mt19937 random(20121210);
    const double angles[] = {30, 60, -30, -60, 90, -90, 45, -45, 1.5, 0.3, 89.99, 12.345};
    for (int round = 0; round < 3; ++round) {
        for (double degrees : angles) {
            int width = std::uniform_int_distribution<int>(2, 37)(random);
            int height = std::uniform_int_distribution<int>(2, 29)(random);
            char argument[32];
            std::snprintf(argument, sizeof argument, "g=%g", degrees);
            expectSameAsModel(randomPicture(random, width, height), argument, radiansOf(degrees));
        }
    }
}

TEST(RotationAgainstModel, RandomShifts) {
    std::mt19937 random(1500);
    for (int round = 0; round < 40; ++round) {
        int width = std::uniform_int_distribution<int>(1, 45)(random);
        int height = std::uniform_int_distribution<int>(1, 45)(random);
        bool alongX = round % 2 == 0;
        int side = alongX ? height : width;
        int limit = std::min(width / 2, height / 2);
        int shift = std::uniform_int_distribution<int>(-3 * side, std::max(-1, limit - 1))(random);
        if (shift == 0) shift = -1;
        long double tilt = static_cast<long double>(2 * shift) / side;
        double angle = alongX ? static_cast<double>(arctangentX87(tilt)) : static_cast<double>(-arctangentX87(tilt));
        std::string argument = (alongX ? "x=" : "y=") + std::to_string(shift);
        expectSameAsModel(randomPicture(random, width, height), argument, angle);
    }
}

TEST(RotationAgainstModel, LargerPictureAtThirtyDegrees) {
    std::mt19937 random(30);
    expectSameAsModel(randomPicture(random, 301, 199), "g=30", radiansOf(30));
    expectSameAsModel(randomPicture(random, 200, 300), "g=-60", radiansOf(-60));
    // Output rows wider than the parts in which a band is built.
    expectSameAsModel(randomPicture(random, 1100, 61), "g=30", radiansOf(30));
    expectSameAsModel(randomPicture(random, 59, 1100), "g=90", radiansOf(90));
}

TEST(RotationAgainstModel, QuarterTurnsOverManyBands) {
    std::mt19937 random(90);
    expectSameAsModel(randomPicture(random, 150, 211), "g=90", radiansOf(90));
    expectSameAsModel(randomPicture(random, 211, 150), "g=-90", radiansOf(-90));
    expectSameAsModel(randomPicture(random, 64, 129), "g=90", radiansOf(90));
}

// Bands of output rows are built on several threads, the targets are
// computed four or two pixels at a time, and the source rows come from a
// window or a view: any count and either way gives the same bytes, on
// pictures of several bands and odd widths.
TEST(RotationAgainstModel, EveryThreadCountGivesTheModelsBytes) {
    std::mt19937 random(4);
    for (const char* argument : {"g=30", "g=-90", "g=1.5", "x=-7"}) {
        const int width = std::uniform_int_distribution<int>(65, 131)(random) | 1;
        const std::string input = randomPicture(random, width, 150);
        for (int threads = 1; threads <= 4; ++threads) {
            PassOptions options = defaultPassOptions();
            options.threads = threads;
            options.vectorForms = threads % 2 == 0;
            options.sourceWindow = threads != 2;
            TempDir dir;
            writeFile(dir / "R.BMP", input);
            std::string path = (dir / "R.BMP").string();
            std::string tool = "kippdreh", word = argument;
            char* argv[] = {tool.data(), path.data(), word.data()};
            std::string console;
            captureConsole(&console);
            RotationJob job;
            parseArguments(job, 3, argv);
            ASSERT_TRUE(runRotation(job, options));
            captureConsole(nullptr);
            EXPECT_TRUE(readFile(dir / "R.TMP") == referenceRotation(input, job.angle)) << argument << " " << threads;
        }
    }
}

TEST(RotationAgainstModel, PixelDataThatOverlapsTheHeader) {
    std::mt19937 random(21);
    for (int dataOffset : {0, 30}) {
        std::string picture = randomPicture(random, 12, 9);
        picture[10] = static_cast<char>(dataOffset);
        picture[11] = 0;
        expectSameAsModel(picture, "g=90", radiansOf(90));
        expectSameAsModel(picture, "g=7", radiansOf(7));
    }
}

} // namespace
