// The frame edges of rows and columns held in memory, by the rule's own scan.
#include "table_edges.hpp"

#include "parallelbands.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace glattzug {

namespace {

inline Pixel pixelAt(const unsigned char* place) {
    Pixel pixel;
    std::memcpy(pixel.data(), place, 3);
    return pixel;
}

// Rows read at a time: enough to make each read cheap, few enough to stay in the caches.
constexpr std::int32_t blockRows = 64;

// The scan of one end of the columns, over the blocks of rows read from that
// end: where each column still in a bar there meets its first pixel that is
// not blue, and, for the columns still in a bar at the other end, the pixel
// that is not blue nearest that other end, among the rows this end reads.
struct EndScan {
    bool fromTop;
    std::vector<std::int32_t> open;    // columns still in a bar at this end
    std::vector<std::int32_t> found;   // per column: the row, or -1
    std::vector<std::int32_t> nearestOther;  // per column: for the other end, or -1

    // Rows first ... end - 1 of a block, held in rows; others: the other end's open columns.
    void scanBlock(const RowsInMemory& rows, RowRange block, const std::vector<std::int32_t>& others) {
        std::vector<std::int32_t> pending = open;
        for (std::int32_t p = 0; p < block.end - block.first; ++p) {
            const std::int32_t y = fromTop ? block.first + p : block.end - 1 - p;
            const unsigned char* row = rows.rowAt[static_cast<std::size_t>(y)];
            std::size_t kept = 0;
            for (const std::int32_t x : pending) {
                if (isFrameBlue(pixelAt(row + 3 * static_cast<std::size_t>(x)))) {
                    pending[kept++] = x;
                } else {
                    found[static_cast<std::size_t>(x)] = y;
                }
            }
            pending.resize(kept);
            for (const std::int32_t x : others) {
                const auto at = static_cast<std::size_t>(x);
                if (!isFrameBlue(pixelAt(row + 3 * at))) nearestOther[at] = y;
            }
        }
    }
    void closeFound() {
        std::erase_if(open, [&](std::int32_t x) { return found[static_cast<std::size_t>(x)] >= 0; });
    }
};

// The frame edges of the columns: the first and the last pixel that is not
// frame blue, as the rule's scans from each end find them. Blocks of rows are
// read from both ends at once, one block to a thread, until every column has
// met its pixel at the ends it still scans, or until the ends meet: then every
// row has been seen once, by one end or the other, and each end has also kept,
// for the columns still open at the other end, the pixel nearest to it.
void columnFrameEdges(const Pass& pass, std::vector<RowsInMemory>& rows, FrameEdges* edges) {
    const BmpLayout& layout = pass.state.layout;
    const std::int32_t n = layout.height;
    const auto columns = static_cast<std::size_t>(pass.lines);
    EndScan top{true, {}, std::vector<std::int32_t>(columns, -1), std::vector<std::int32_t>(columns, -1)};
    EndScan bottom{false, {}, std::vector<std::int32_t>(columns, -1), std::vector<std::int32_t>(columns, -1)};
    for (std::int32_t x = 0; x < pass.lines; ++x) top.open.push_back(x);
    bottom.open = top.open;
    RowRange unread{0, n};
    while (!unread.empty() && (!top.open.empty() || !bottom.open.empty())) {
        RowRange fromTop{unread.first, unread.first}, fromBottom{unread.end, unread.end};
        if (!top.open.empty()) fromTop.end = std::min(unread.first + blockRows, unread.end);
        if (!bottom.open.empty()) fromBottom.first = std::max(unread.end - blockRows, fromTop.end);
        const std::vector<std::int32_t> topOpen = top.open, bottomOpen = bottom.open;
        // Once the bars are passed, few columns are left open: only their pixels are read.
        std::vector<std::int32_t> wanted;
        std::set_union(topOpen.begin(), topOpen.end(), bottomOpen.begin(), bottomOpen.end(),
                       std::back_inserter(wanted));
        forEachBand(
            2, static_cast<int>(rows.size()),
            [&](std::int32_t side, int worker) {
                const RowRange block = side == 0 ? fromTop : fromBottom;
                if (block.empty()) return;
                RowsInMemory& held = rows[static_cast<std::size_t>(worker)];
                placeColumnsOfRun(pass.input, layout, block, wanted, held);
                if (side == 0) {
                    top.scanBlock(held, block, bottomOpen);
                } else {
                    bottom.scanBlock(held, block, topOpen);
                }
            },
            [](std::int32_t) {});
        top.closeFound();
        bottom.closeFound();
        unread = {fromTop.end, fromBottom.first};
    }
    for (std::size_t x = 0; x < columns; ++x) {
        // Not met at an end: the pixel lies in the rows the other end read, or nowhere.
        const std::int32_t first = top.found[x] >= 0 ? top.found[x] : bottom.nearestOther[x];
        const std::int32_t last = bottom.found[x] >= 0 ? bottom.found[x] : top.nearestOther[x];
        FrameEdges& line = edges[x];
        line.innerStart = first < 0 ? n : first;
        line.innerEnd = first < 0 ? 0 : last;
        line.stretched = first >= 0 && line.innerEnd > line.innerStart;
    }
}

} // namespace

FrameEdges rowFrameEdges(const unsigned char* row, std::int32_t width) {
    return scanFrameEdges(width, [row](std::int32_t q) { return pixelAt(row + 3 * static_cast<std::size_t>(q)); });
}

std::vector<FrameEdges> columnFrameEdgesThroughFile(const Pass& pass, std::vector<RowsInMemory>& rows) {
    std::vector<FrameEdges> edges(static_cast<std::size_t>(pass.lines));
    columnFrameEdges(pass, rows, edges.data());
    return edges;
}

} // namespace glattzug
