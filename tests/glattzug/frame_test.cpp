#include "lines.hpp"

#include <gtest/gtest.h>

#include <vector>

using namespace glattzug;

namespace {

const Pixel B{255, 0, 0};
const Pixel red{0, 0, 255};
const Pixel green{0, 255, 0};
const Pixel grey{90, 90, 90};

struct ScannedLine {
    FrameEdges edges;
    std::vector<std::int32_t> reads;
};

ScannedLine scan(const std::vector<Pixel>& line) {
    ScannedLine result;
    result.edges = scanFrameEdges(static_cast<std::int32_t>(line.size()), [&](std::int32_t q) {
        result.reads.push_back(q);
        return line.at(static_cast<std::size_t>(q));
    });
    return result;
}

}

TEST(FrameBlue, OnlyExactlyBlue255GreenZeroRedZero) {
    EXPECT_TRUE(isFrameBlue(Pixel{255, 0, 0}));
    EXPECT_FALSE(isFrameBlue(Pixel{254, 0, 0}));
    EXPECT_FALSE(isFrameBlue(Pixel{255, 0, 1}));
    EXPECT_FALSE(isFrameBlue(Pixel{255, 1, 0}));
    EXPECT_FALSE(isFrameBlue(Pixel{0, 0, 255}));
    EXPECT_FALSE(isFrameBlue(Pixel{0, 0, 0}));
}

TEST(FrameEdges, BlueBetweenTheEdgesIsContent) {
    ScannedLine line = scan({B, B, red, B, green, B});
    EXPECT_EQ(line.edges.innerStart, 2);
    EXPECT_EQ(line.edges.innerEnd, 4);
    EXPECT_TRUE(line.edges.stretched);
    EXPECT_EQ(line.reads, (std::vector<std::int32_t>{0, 1, 2, 5, 4}));
}

TEST(FrameEdges, LineWithoutBlueKeepsItsEnds) {
    ScannedLine line = scan({grey, red, green, grey});
    EXPECT_EQ(line.edges.innerStart, 0);
    EXPECT_EQ(line.edges.innerEnd, 3);
    EXPECT_TRUE(line.edges.stretched);
    EXPECT_EQ(line.reads, (std::vector<std::int32_t>{0, 3}));
}

TEST(FrameEdges, AllBlueLineIsReadOnceAndNotStretched) {
    ScannedLine line = scan({B, B, B, B});
    EXPECT_EQ(line.edges.innerStart, 4);
    EXPECT_FALSE(line.edges.stretched);
    EXPECT_EQ(line.reads, (std::vector<std::int32_t>{0, 1, 2, 3}));
}

TEST(FrameEdges, SingleNonBluePixelIsNotStretched) {
    ScannedLine line = scan({B, B, red, B});
    EXPECT_EQ(line.edges.innerStart, 2);
    EXPECT_EQ(line.edges.innerEnd, 2);
    EXPECT_FALSE(line.edges.stretched);
    EXPECT_EQ(line.reads, (std::vector<std::int32_t>{0, 1, 2, 3, 2}));
}

TEST(FrameEdges, LineOfOnePixelIsNotStretched) {
    EXPECT_FALSE(scan({red}).edges.stretched);
    EXPECT_FALSE(scan({B}).edges.stretched);
}

TEST(FrameEdges, EmptyLineIsNotStretchedAndNotRead) {
    ScannedLine line = scan({});
    EXPECT_EQ(line.edges.innerStart, 0);
    EXPECT_FALSE(line.edges.stretched);
    EXPECT_TRUE(line.reads.empty());
}

TEST(FrameEdges, NearBlueIsNotFrame) {
    ScannedLine line = scan({Pixel{254, 0, 0}, B, grey, Pixel{255, 0, 1}});
    EXPECT_EQ(line.edges.innerStart, 0);
    EXPECT_EQ(line.edges.innerEnd, 3);
}

TEST(PositionOffset, RowsAndColumnsCountFromTheTopLeft) {
    BmpLayout layout = layoutFor(54, 5, 3);
    EXPECT_EQ(positionOffset(layout, PictureLine{LineKind::Row, 0}, 4), 54 + 12 + 2 * 16);
    EXPECT_EQ(positionOffset(layout, PictureLine{LineKind::Row, 2}, 1), 54 + 3);
    EXPECT_EQ(positionOffset(layout, PictureLine{LineKind::Column, 1}, 0), 54 + 3 + 2 * 16);
    EXPECT_EQ(positionOffset(layout, PictureLine{LineKind::Column, 4}, 2), 54 + 12);
    EXPECT_EQ(lineLength(layout, LineKind::Row), 5);
    EXPECT_EQ(lineLength(layout, LineKind::Column), 3);
    EXPECT_EQ(lineCount(layout, LineKind::Row), 3);
    EXPECT_EQ(lineCount(layout, LineKind::Column), 5);
}
