#include "pass.hpp"

#include "parallelbands.hpp"

#include <algorithm>
#include <cstring>

namespace glattzug {

namespace {

inline Pixel pixelAt(const unsigned char* place) {
    Pixel pixel;
    std::memcpy(pixel.data(), place, 3);
    return pixel;
}

// Rows read at a time: enough to make each read cheap, few enough to stay in the caches.
constexpr std::int32_t blockRows = 64;

// The frame edges of the rows, in blocks of rows on several threads.
void rowFrameEdges(const Pass& pass, std::vector<RowsInMemory>& rows, FrameEdges* edges) {
    const BmpLayout& layout = pass.state.layout;
    forEachBand(
        (pass.lines + blockRows - 1) / blockRows, static_cast<int>(rows.size()),
        [&](std::int32_t block, int worker) {
            const RowRange run{block * blockRows, std::min((block + 1) * blockRows, pass.lines)};
            RowsInMemory& held = rows[static_cast<std::size_t>(worker)];
            placeRuns(pass.input, layout, {run}, nullptr, held);
            for (std::int32_t y = run.first; y < run.end; ++y) {
                const unsigned char* row = held.rowAt[static_cast<std::size_t>(y)];
                edges[y] = scanFrameEdges(layout.width,
                                          [row](std::int32_t q) { return pixelAt(row + 3 * static_cast<std::size_t>(q)); });
            }
        },
        [](std::int32_t) {});
}

// For each of the columns, the first row from the top (or the last from the
// bottom) whose pixel is not frame blue; -1 where there is none. The rows are
// read in waves of blocks, one block to a thread, in file order within each
// block, until every column has found its row or the picture ends.
std::vector<std::int32_t> firstNotBlue(const Pass& pass, std::vector<RowsInMemory>& rows,
                                       const std::vector<std::int32_t>& columns, bool fromTop) {
    const BmpLayout& layout = pass.state.layout;
    const std::int32_t n = layout.height;
    const auto threads = static_cast<std::int32_t>(rows.size());
    const std::int32_t blocks = (n + blockRows - 1) / blockRows;
    std::vector<std::int32_t> found(columns.size(), -1);
    std::vector<std::size_t> open(columns.size());  // indices of the columns still in a bar
    for (std::size_t i = 0; i < open.size(); ++i) open[i] = i;
    std::vector<std::vector<std::int32_t>> hits(static_cast<std::size_t>(threads));  // per block of a wave
    for (std::int32_t wave = 0; wave < blocks && !open.empty(); wave += threads) {
        const std::int32_t waveBlocks = std::min(threads, blocks - wave);
        forEachBand(
            waveBlocks, threads,
            [&](std::int32_t k, int worker) {
                // Positions count from the scan's end of the picture.
                const std::int32_t near = (wave + k) * blockRows;
                const std::int32_t far = std::min(near + blockRows, n);
                RowsInMemory& held = rows[static_cast<std::size_t>(worker)];
                placeRuns(pass.input, layout, {fromTop ? RowRange{near, far} : RowRange{n - far, n - near}}, nullptr, held);
                std::vector<std::int32_t>& hit = hits[static_cast<std::size_t>(k)];
                hit.assign(open.size(), -1);
                std::vector<std::size_t> pending(open.size());  // places in open still blue in this block
                for (std::size_t i = 0; i < pending.size(); ++i) pending[i] = i;
                for (std::int32_t p = near; p < far && !pending.empty(); ++p) {
                    const std::int32_t y = fromTop ? p : n - 1 - p;
                    const unsigned char* row = held.rowAt[static_cast<std::size_t>(y)];
                    std::size_t kept = 0;
                    for (const std::size_t i : pending) {
                        const auto x = static_cast<std::size_t>(columns[open[i]]);
                        if (isFrameBlue(pixelAt(row + 3 * x))) {
                            pending[kept++] = i;
                        } else {
                            hit[i] = y;
                        }
                    }
                    pending.resize(kept);
                }
            },
            [](std::int32_t) {});
        // The block nearest the scan's end that holds a row wins.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < open.size(); ++i) {
            std::int32_t y = -1;
            for (std::int32_t k = 0; k < waveBlocks && y < 0; ++k) y = hits[static_cast<std::size_t>(k)][i];
            if (y >= 0) {
                found[open[i]] = y;
            } else {
                open[kept++] = open[i];
            }
        }
        open.resize(kept);
    }
    return found;
}

// The frame edges of the columns: from each end, the first pixel that is not
// frame blue, as the rule's scan finds it, read row after row of the file.
void columnFrameEdges(const Pass& pass, std::vector<RowsInMemory>& rows, FrameEdges* edges) {
    const std::int32_t n = pass.length;
    std::vector<std::int32_t> columns;
    for (std::int32_t x = 0; x < pass.lines; ++x) columns.push_back(x);
    const std::vector<std::int32_t> starts = firstNotBlue(pass, rows, columns, true);
    for (std::int32_t x = 0; x < pass.lines; ++x) edges[x].innerStart = starts[static_cast<std::size_t>(x)] < 0 ? n : starts[static_cast<std::size_t>(x)];
    // From the end, only where the line holds a pixel that is not blue: that
    // pixel stops the scan before it passes innerStart.
    columns.clear();
    for (std::int32_t x = 0; x < pass.lines; ++x) {
        if (edges[x].innerStart < n) columns.push_back(x);
    }
    const std::vector<std::int32_t> ends = firstNotBlue(pass, rows, columns, false);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        FrameEdges& line = edges[columns[k]];
        line.innerEnd = ends[k];
        line.stretched = line.innerEnd > line.innerStart;
    }
}

} // namespace

std::vector<FrameEdges> frameEdgesThroughFile(const Pass& pass, std::vector<RowsInMemory>& rows) {
    std::vector<FrameEdges> edges(static_cast<std::size_t>(pass.lines));
    if (pass.kind == LineKind::Row) {
        rowFrameEdges(pass, rows, edges.data());
    } else {
        columnFrameEdges(pass, rows, edges.data());
    }
    return edges;
}

} // namespace glattzug
