// The tool's pass against the straightforward model, byte for byte, on random
// framed pictures: bars that wander and vanish, lines all blue or with one
// pixel left, blue and near-blue inside, junk in the padding, gaps before the
// pixel data, linear and hyperbolic, northern and southern latitudes.
#include "glattzugrun.hpp"
#include "reference_rectify.hpp"
#include "console.hpp"
#include "arguments.hpp"
#include "outputfile.hpp"
#include "passes.hpp"
#include "prepare.hpp"

#include <gtest/gtest.h>

#include <random>

namespace {

// deepBars columns get a bar that reaches far into the picture, from the top
// or from the bottom, as where a bar's edge wanders: their inner parts lie far
// from those of the other columns.
std::string randomFramedPicture(std::mt19937& random, int width, int height, int deepBars = 0) {
    std::uniform_int_distribution<int> byte(0, 255);
    PixelRows rows(static_cast<std::size_t>(height), std::vector<Bgr>(static_cast<std::size_t>(width)));
    for (auto& row : rows) {
        for (Bgr& pixel : row) {
            int kind = std::uniform_int_distribution<int>(0, 19)(random);
            pixel = kind == 0   ? frameBlue
                    : kind == 1 ? Bgr{254, 0, 0}
                                : Bgr{static_cast<unsigned char>(byte(random)), static_cast<unsigned char>(byte(random)),
                                      static_cast<unsigned char>(byte(random))};
        }
    }
    // Bars on all four sides, each line its own width, some lines all blue.
    std::uniform_int_distribution<int> bar(0, 4);
    for (int y = 0; y < height; ++y) {
        int left = bar(random), right = bar(random);
        if (std::uniform_int_distribution<int>(0, 15)(random) == 0) left = width;
        for (int x = 0; x < width; ++x) {
            if (x < left || x >= width - right) rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = frameBlue;
        }
    }
    for (int x = 0; x < width; ++x) {
        int top = bar(random), bottom = bar(random);
        for (int y = 0; y < height; ++y) {
            if (y < top || y >= height - bottom) rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = frameBlue;
        }
    }
    for (int k = 0; k < deepBars; ++k) {
        const auto x = static_cast<std::size_t>((1 + 37 * k) % width);
        const int depth = height * (k + 2) / (deepBars + 3);
        for (int y = 0; y < depth; ++y) {
            rows[static_cast<std::size_t>(k % 2 == 0 ? y : height - 1 - y)][x] = frameBlue;
        }
    }
    BmpOptions options;
    options.dataOffset = 54 + 2 * std::uniform_int_distribution<int>(0, 5)(random);
    options.paddingByte = static_cast<unsigned char>(byte(random));
    return makeBmp(rows, options);
}

void expectSameAsModel(const std::string& input, const std::vector<std::string>& mode, double lower = 1e9,
                       double upper = 1e9) {
    TempDir dir;
    writeFile(dir / "K.BMP", input);
    std::vector<std::string> arguments{"K.BMP"};
    arguments.insert(arguments.end(), mode.begin(), mode.end());
    RunResult result = runGlattzug(dir, arguments);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    std::string expected = referenceRectify(input, mode[0] == "h" ? 'H' : 'V', lower, upper);
    EXPECT_TRUE(readFile(dir / "K.TMP") == expected)
        << mode[0] << " on " << littleEndian16(input, 18) << "x" << littleEndian16(input, 22);
}

TEST(RectifyAgainstModel, LinearRowsAndColumns) {
    std::mt19937 random(16092012);
    for (int round = 0; round < 30; ++round) {
        int width = std::uniform_int_distribution<int>(1, 40)(random);
        int height = std::uniform_int_distribution<int>(1, 40)(random);
        std::string picture = randomFramedPicture(random, width, height);
        expectSameAsModel(picture, {"h"});
        expectSameAsModel(picture, {"v"});
    }
}

TEST(RectifyAgainstModel, HyperbolicColumns) {
    std::mt19937 random(4755);
    const std::pair<double, double> latitudes[] = {{47.5, 55}, {40, 60}, {60, 40}, {-35, -10}, {-20, 30}, {0, 85}, {89, 89.5}};
    for (int round = 0; round < 3; ++round) {
        for (auto [lower, upper] : latitudes) {
            int width = std::uniform_int_distribution<int>(1, 30)(random);
            int height = std::uniform_int_distribution<int>(2, 60)(random);
            char lowerText[32], upperText[32];
            std::snprintf(lowerText, sizeof lowerText, "%g", lower);
            std::snprintf(upperText, sizeof upperText, "%g", upper);
            expectSameAsModel(randomFramedPicture(random, width, height), {"v", lowerText, upperText}, lower, upper);
        }
    }
}

TEST(RectifyAgainstModel, LargerPictures) {
    std::mt19937 random(2012);
    std::string picture = randomFramedPicture(random, 257, 131);
    expectSameAsModel(picture, {"h"});
    expectSameAsModel(picture, {"v"});
    expectSameAsModel(picture, {"v", "47.5", "55"}, 47.5, 55);
    // Rows long enough that the columns still in a bar are read in pieces of rows.
    picture = randomFramedPicture(random, 4001, 200, 4);
    expectSameAsModel(picture, {"v"});
    expectSameAsModel(picture, {"v", "40", "60"}, 40, 60);
}

// Bands of rows, blocks of lines and tables are shared out among threads:
// any count gives the same bytes and the same console, on pictures of
// several bands and blocks whose sizes are multiples of neither, with columns
// whose sources lie far from their band's.
TEST(RectifyAgainstModel, EveryThreadCountGivesTheModelsBytes) {
    std::mt19937 random(1234);
    const std::string picture = randomFramedPicture(random, 301, 263, 6);
    for (const std::vector<std::string>& mode : {std::vector<std::string>{"h"}, {"v"}, {"v", "47.5", "55"}}) {
        std::string firstConsole;
        for (int threads = 1; threads <= 4; ++threads) {
            TempDir dir;
            writeFile(dir / "K.BMP", picture);
            std::vector<std::string> words{"glattzug", (dir / "K.BMP").string()};
            words.insert(words.end(), mode.begin(), mode.end());
            std::vector<char*> argv;
            for (std::string& word : words) argv.push_back(word.data());
            std::string console;
            captureConsole(&console);
            glattzug::RectifyState state;
            glattzug::parseArguments(state, static_cast<int>(argv.size()), argv.data());
            state.options.threads = threads;
            // With three threads, rows whose tables find the cache full build their own.
            if (threads == 3) state.options.tableCacheEntries = 3 * 301;
            state.options.vectorForms = threads % 2 == 0;
            ASSERT_TRUE(glattzug::prepareFiles(state));
            state.mode == glattzug::LineKind::Row ? glattzug::rectifyRows(state) : glattzug::rectifyColumns(state);
            state.input.close();
            publishOutput(state.output, state.outName);
            captureConsole(nullptr);
            const bool hyperbolic = mode.size() == 3;
            EXPECT_TRUE(readFile(dir / "K.TMP") ==
                        referenceRectify(picture, mode[0] == "h" ? 'H' : 'V', hyperbolic ? 47.5 : 1e9, hyperbolic ? 55 : 1e9))
                << mode[0] << " " << threads;
            const std::string dots = console.substr(console.find("TMP-Datei"));  // the folder's name differs
            if (threads == 1) firstConsole = dots;
            EXPECT_EQ(dots, firstConsole) << mode[0] << " " << threads;
        }
    }
}

TEST(RectifyAgainstModel, PixelDataThatOverlapsTheHeader) {
    std::mt19937 random(20);
    for (int dataOffset : {0, 20, 53}) {
        std::string picture = randomFramedPicture(random, 9, 7);
        // The bottom row and the first column all blue: lines the pass leaves alone.
        for (std::size_t x = 0; x < 9; ++x) picture.replace(54 + 3 * x, 3, "\xff\x00\x00", 3);
        for (std::size_t y = 0; y < 7; ++y) picture.replace(54 + 28 * y, 3, "\xff\x00\x00", 3);
        picture[10] = static_cast<char>(dataOffset);
        picture[11] = 0;
        expectSameAsModel(picture, {"h"});
        expectSameAsModel(picture, {"v"});
    }
}

} // namespace
