// Every vector form of the turn against its plain form on random inputs:
// the band offsets, the run-end search, the black-word search and the direct
// form of the targets, with parts after the first and odd counts. A machine
// without AVX2 runs only the plain forms, so these are the tests that keep
// its bytes right (the suite also runs whole with KARTEN_VECTOR_FORMS=off).
#include "bandoffsets.hpp"
#include "extendedmath.hpp"
#include "passoptions.hpp"
#include "placerow.hpp"
#include "turn.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace kippdreh;

namespace {

bool processorHasAvx2() { return __builtin_cpu_supports("avx2"); }

int draw(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

TEST(VectorForms, BandOffsetsEightAtATimeAsOneByOne) {
    if (!processorHasAvx2()) GTEST_SKIP() << "no AVX2";
    std::mt19937 random(8);
    for (int round = 0; round < 2000; ++round) {
        const std::int32_t firstColumn = round % 3 == 0 ? 0 : draw(random, 1, 1500);  // later parts
        const std::int32_t endColumn = firstColumn + draw(random, 1, 512);
        const BandFrame frame{draw(random, -40, 40), draw(random, -50, 300), draw(random, 1, 128),
                              4 * draw(random, 400, 700), firstColumn, endColumn};
        const std::int32_t count = draw(random, 0, 77);
        std::vector<std::int32_t> columns(static_cast<std::size_t>(count)), rows(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            // Mostly near the part, its edges included; now and then far off.
            columns[i] = firstColumn - frame.marginX + draw(random, -3, endColumn - firstColumn + 3);
            rows[i] = frame.lastRow - draw(random, -3, frame.rows + 2);
            if (draw(random, 0, 30) == 0) columns[i] = draw(random, -100000, 100000);
        }
        std::vector<std::int32_t> vector(columns.size()), plain(columns.size());
        const std::int32_t vectorReach = bandOffsets(frame, columns.data(), rows.data(), count, vector.data(), true);
        const std::int32_t plainReach = bandOffsets(frame, columns.data(), rows.data(), count, plain.data(), false);
        ASSERT_EQ(vectorReach, plainReach) << round;
        ASSERT_EQ(vector, plain) << round;
    }
}

TEST(VectorForms, RunEndEightAtATimeAsOneByOne) {
    if (!processorHasAvx2()) GTEST_SKIP() << "no AVX2";
    std::mt19937 random(9);
    for (int round = 0; round < 3000; ++round) {
        const std::int32_t count = draw(random, 1, 61);
        std::vector<std::int32_t> columns(static_cast<std::size_t>(count)), rows(columns.size());
        std::int32_t column = draw(random, -5, 50), row = draw(random, 0, 3);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            // Long runs, broken now and then by a step down a row or a skipped column.
            const int kind = draw(random, 0, 12);
            column += kind == 0 ? 2 : kind == 1 ? 0 : 1;
            row += kind == 2 ? 1 : 0;
            columns[i] = column;
            rows[i] = row;
        }
        const std::int32_t i = draw(random, 0, count - 1);
        ASSERT_EQ(runEnd(columns.data(), rows.data(), i, count, true), runEnd(columns.data(), rows.data(), i, count, false))
            << round;
    }
}

TEST(VectorForms, BlackWordSearchAsPixelByPixel) {
    std::mt19937 random(10);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = static_cast<std::size_t>(draw(random, 1, 40));
        std::vector<unsigned char> run(3 * length);
        const int blackShare = draw(random, 0, 6);
        for (std::size_t k = 0; k < length; ++k) {
            const bool black = draw(random, 0, 9) < blackShare;
            for (int c = 0; c < 3; ++c) {
                // Zero bytes in pixels that are not black too, to mislead the word test.
                run[3 * k + static_cast<std::size_t>(c)] =
                    black ? 0 : static_cast<unsigned char>(draw(random, 0, 3) == 0 ? 0 : draw(random, 1, 255));
            }
        }
        std::vector<unsigned char> byWords = run, byPixels = run;
        fillBlackPixels(run.data(), length, byWords.data(), true);
        fillBlackPixels(run.data(), length, byPixels.data(), false);
        ASSERT_EQ(byWords, byPixels) << round;
    }
}

// Both widths of the direct form give the polar form's target for every
// pixel, also at 30 and 60 degrees, where many pixels fall near a half.
TEST(VectorForms, DirectFormFourAndTwoAtATimeAsThePolarForm) {
    std::mt19937 random(11);
    const double degrees[] = {30, 60, -30, 45, 1.5, -0.3, 89.99, 12.345, 90, -90};
    const bool avx2 = processorHasAvx2();
    for (int round = 0; round < 200; ++round) {
        const double angle =
            static_cast<double>(degrees[round % 10] * 3.14159265358979323851L / 180.0L);
        const Turn turn = turnAbout(draw(random, 0, 300), draw(random, 0, 300), angle);
        const std::int32_t y = draw(random, 0, 600);
        const std::int32_t first = draw(random, 0, 400);
        const std::int32_t end = first + draw(random, 0, 301);
        std::vector<std::int32_t> columns(static_cast<std::size_t>(end - first)), rows(columns.size());
        for (const bool vector : {false, true}) {
            if (vector && !avx2) continue;
            turnRun(turn, y, first, end, columns.data(), rows.data(), vector);
            for (std::int32_t x = first; x < end; ++x) {
                std::int32_t column = 0, row = 0;
                turnExactly(turn, x, y, column, row);
                const auto i = static_cast<std::size_t>(x - first);
                ASSERT_EQ(columns[i], column) << round << " x=" << x << " vector " << vector;
                ASSERT_EQ(rows[i], row) << round << " x=" << x << " vector " << vector;
            }
        }
    }
}

} // namespace
