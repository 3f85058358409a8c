#include "lines.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace glattzug;

namespace {

Pixel source(int k) { return Pixel{static_cast<unsigned char>(k), 7, 9}; }

std::vector<Pixel> sourceLine(int n) {
    std::vector<Pixel> line;
    for (int k = 0; k < n; ++k) line.push_back(source(k));
    return line;
}

struct StretchTrace {
    std::vector<std::int32_t> reads;
    std::vector<std::pair<std::int32_t, int>> writes;
};

StretchTrace stretchLinear(std::int32_t n, std::int32_t s0, std::int32_t s1) {
    FrameEdges edges{s0, s1, true};
    std::vector<Pixel> line = sourceLine(n);
    StretchTrace trace;
    stretchLine(
        edges, [&](std::int32_t s) { return targetPosition(nullptr, n, edges, s); },
        [&](std::int32_t q) {
            trace.reads.push_back(q);
            return line.at(static_cast<std::size_t>(q));
        },
        [&](std::int32_t q, const Pixel& pixel) { trace.writes.emplace_back(q, pixel[0]); });
    return trace;
}

using Writes = std::vector<std::pair<std::int32_t, int>>;

}

TEST(LinearPosition, WidthEightExample) {
    FrameEdges edges{2, 6, true};
    EXPECT_EQ(linearPosition(8, edges, 2), 0.0);
    EXPECT_EQ(linearPosition(8, edges, 3), 1.75);
    EXPECT_EQ(linearPosition(8, edges, 4), 3.5);
    EXPECT_EQ(linearPosition(8, edges, 5), 5.25);
    EXPECT_EQ(linearPosition(8, edges, 6), 7.0);
}

TEST(LinearPosition, QuotientFirstThenProductInExtendedPrecision) {
    FrameEdges edges{0, 3, true};
    EXPECT_EQ(linearPosition(11, edges, 3), 10.0);
    EXPECT_EQ(linearPosition(11, edges, 1), 3.3333333333333335);
    EXPECT_EQ(linearPosition(11, edges, 2), 6.666666666666667);
}

TEST(TargetPosition, TiesGoToTheEvenRow) {
    FrameEdges edges{1, 3, true};
    EXPECT_EQ(targetPosition(nullptr, 6, edges, 1), 0);
    EXPECT_EQ(targetPosition(nullptr, 6, edges, 2), 2);
    EXPECT_EQ(targetPosition(nullptr, 6, edges, 3), 5);
    FrameEdges eight{2, 6, true};
    EXPECT_EQ(targetPosition(nullptr, 8, eight, 4), 4);
    EXPECT_EQ(targetPosition(nullptr, 8, eight, 5), 5);
}

TEST(StretchLine, WidthEightExample) {
    StretchTrace trace = stretchLinear(8, 2, 6);
    EXPECT_EQ(trace.reads, (std::vector<std::int32_t>{2, 3, 4, 5, 6}));
    EXPECT_EQ(trace.writes,
              (Writes{{0, 2}, {1, 3}, {2, 3}, {3, 4}, {4, 4}, {5, 5}, {6, 6}, {7, 6}}));
}

TEST(StretchLine, WidthSixExample) {
    StretchTrace trace = stretchLinear(6, 1, 3);
    EXPECT_EQ(trace.writes, (Writes{{0, 1}, {1, 2}, {2, 2}, {3, 3}, {4, 3}, {5, 3}}));
}

TEST(StretchLine, WholeLineIsCopiedUnchanged) {
    StretchTrace trace = stretchLinear(5, 0, 4);
    EXPECT_EQ(trace.writes, (Writes{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}));
}

TEST(StretchLine, TwoInnerPixelsFillALongLine) {
    StretchTrace trace = stretchLinear(7, 3, 4);
    EXPECT_EQ(trace.writes, (Writes{{0, 3}, {1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}}));
}

TEST(StretchLine, ReadAndWritesInterleavePerSourcePixel) {
    FrameEdges edges{1, 3, true};
    std::vector<Pixel> line = sourceLine(6);
    std::vector<std::pair<char, std::int32_t>> events;
    stretchLine(
        edges, [&](std::int32_t s) { return targetPosition(nullptr, 6, edges, s); },
        [&](std::int32_t q) {
            events.emplace_back('r', q);
            return line.at(static_cast<std::size_t>(q));
        },
        [&](std::int32_t q, const Pixel&) { events.emplace_back('w', q); });
    EXPECT_EQ(events, (std::vector<std::pair<char, std::int32_t>>{
                          {'r', 1}, {'w', 0}, {'r', 2}, {'w', 1}, {'w', 2}, {'r', 3}, {'w', 3}, {'w', 4}, {'w', 5}}));
}

Writes stretchWithTargets(const std::vector<std::int32_t>& targets) {
    FrameEdges edges{0, static_cast<std::int32_t>(targets.size()) - 1, true};
    std::vector<Pixel> line = sourceLine(static_cast<int>(targets.size()));
    Writes writes;
    stretchLine(
        edges, [&](std::int32_t s) { return targets.at(static_cast<std::size_t>(s)); },
        [&](std::int32_t q) { return line.at(static_cast<std::size_t>(q)); },
        [&](std::int32_t q, const Pixel& pixel) { writes.emplace_back(q, pixel[0]); });
    return writes;
}

TEST(StretchLine, RepeatedTargetsWriteOnlyTheFirstSource) {
    EXPECT_EQ(stretchWithTargets({1, 1, 1, 4}), (Writes{{0, 0}, {1, 0}, {2, 3}, {3, 3}, {4, 3}}));
}

TEST(StretchLine, NextTargetFollowsTheLastTargetEvenWhenItFalls) {
    EXPECT_EQ(stretchWithTargets({1, 1, 0, 2}), (Writes{{0, 0}, {1, 0}, {1, 3}, {2, 3}}));
}
