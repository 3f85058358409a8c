// The bounds of the pass by output rows against the geometry itself: every
// source pixel whose exact target lands in a part must lie within the rows
// and columns that the bounds give for that part.
#include "reaching.hpp"
#include "geometry.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace kippdreh;

namespace {

TEST(ReachingBounds, HoldEveryPixelThatLandsInThePart) {
    std::mt19937 random(12);
    const PassOptions options;
    const double degrees[] = {30, -60, 1.5, -0.3, 89.99, 12.345, 45, -14.9, 0.01, 90};
    for (int round = 0; round < 20; ++round) {
        RotationJob job;
        job.layout.width = std::uniform_int_distribution<int>(1, 50)(random);
        job.layout.height = std::uniform_int_distribution<int>(1, 50)(random);
        job.layout.rowBytes = (3 * job.layout.width + 3) / 4 * 4;
        job.layout.dataOffset = 54;
        job.angle = static_cast<double>(degrees[round % 10] * 3.14159265358979323851L / 180.0L);
        job.geometry.halfWidth = job.layout.width / 2;
        job.geometry.halfHeight = job.layout.height / 2;
        ASSERT_FALSE(computeGeometry(job));
        const RotationGeometry& g = job.geometry;
        const TurnPass pass{g, job.layout, layoutFor(54, g.newWidth, g.newHeight),
                            turnAbout(g.halfWidth, g.halfHeight, job.angle), options};
        // Parts of a few rows and columns, the first and later ones.
        const std::int32_t partRows = std::uniform_int_distribution<int>(1, 9)(random);
        const std::int32_t partColumns = std::uniform_int_distribution<int>(1, 11)(random);
        for (std::int32_t firstRow = 0; firstRow < g.newHeight; firstRow += partRows) {
            for (std::int32_t firstColumn = 0; firstColumn < g.newWidth; firstColumn += partColumns) {
                const BandPart part{firstRow, std::min(firstRow + partRows, g.newHeight), firstColumn,
                                    std::min(firstColumn + partColumns, g.newWidth)};
                const RowRange rows = rowsReaching(pass, part);
                for (std::int32_t y = 0; y < job.layout.height; ++y) {
                    const RowRange columns = columnsReaching(pass, y, part);
                    for (std::int32_t x = 0; x < job.layout.width; ++x) {
                        std::int32_t column = 0, row = 0;
                        turnExactly(pass.turn, x, y, column, row);
                        column += g.marginX;
                        row += g.marginY;
                        if (row < part.firstRow || row >= part.endRow || column < part.firstColumn ||
                            column > part.endColumn) {
                            continue;
                        }
                        ASSERT_TRUE(rows.holds(y)) << round << " (" << x << ", " << y << ")";
                        ASSERT_TRUE(columns.holds(x)) << round << " (" << x << ", " << y << ")";
                    }
                }
            }
        }
    }
}

} // namespace
