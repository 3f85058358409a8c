#include "pass.hpp"

#include "checked.hpp"
#include "console.hpp"
#include "parallelbands.hpp"
#include "workbuffer.hpp"

#include <algorithm>
#include <cstring>
#include <exception>

#include <map>
#include <vector>

namespace glattzug {

namespace {

// The target of a source pixel depends only on the inner length m = s1 - s0
// and on s - s0, so lines of equal inner length share one table: for every
// target position, the source index (s - s0) whose pixel it ends with, or -1
// where nothing is written. The table follows the write order of the rule,
// later writes replacing earlier ones.
using SourceTable = std::vector<std::int32_t>;

// Empty when a target falls outside the line: such writes land in other
// lines, and only the line-by-line order gives them their place.
// Where a write leaves the line, the table cannot hold it.
struct LeavesTheLine {};

// The rule itself, run with each source's index in place of its pixel and a
// writer that records instead of writing.
SourceTable sourceTableFor(const Pass& pass, std::int32_t innerLength) {
    SourceTable table(static_cast<std::size_t>(pass.length), -1);
    const FrameEdges edges{0, innerLength, true};
    try {
        stretchLine(
            edges, [&](std::int32_t s) { return pass.targetOf(edges, s); }, [](std::int32_t s) { return s; },
            [&](std::int32_t q, std::int32_t source) {
                if (q < 0 || q >= pass.length) throw LeavesTheLine{};
                table[static_cast<std::size_t>(q)] = source;
            });
    } catch (const LeavesTheLine&) {
        return {};
    }
    return table;
}

// With every pixel of the picture inside the input and behind the header, no
// read can fail, no offset can overflow, the order in which lines are visited
// cannot change the result, and writing whole rows (zeros where the rule
// writes nothing) leaves the pre-filled bytes as they are.
bool tablesApply(const BmpLayout& layout, std::int64_t inputLength) {
    return layout.dataOffset >= 54 && wholePictureInside(layout, inputLength);
}

// Tables for all inner lengths in use, within a memory budget.
constexpr std::size_t tableBudget = 8u << 20;  // entries: 32 MiB

// Built on several threads; the outcome is the one of building them one
// after another in the order of first use, which stops at the first table
// that cannot be had, or at the first failure.
bool buildTables(const Pass& pass, const std::vector<FrameEdges>& edges,
                 std::map<std::int32_t, SourceTable>& tables) {
    std::vector<std::int32_t> lengths;
    for (const FrameEdges& line : edges) {
        if (!line.stretched) continue;
        const std::int32_t innerLength = line.innerEnd - line.innerStart;
        if (tables.emplace(innerLength, SourceTable{}).second) lengths.push_back(innerLength);
    }
    const std::size_t withinBudget = std::min(lengths.size(), tableBudget / static_cast<std::size_t>(std::max(pass.length, 1)));
    std::vector<std::exception_ptr> failures(withinBudget);
    forEachBand(
        static_cast<std::int32_t>(withinBudget), pass.state.threads,
        [&](std::int32_t i, int) {
            const auto k = static_cast<std::size_t>(i);
            try {
                tables.at(lengths[k]) = sourceTableFor(pass, lengths[k]);
            } catch (...) {
                failures[k] = std::current_exception();
            }
        },
        [](std::int32_t) {});
    for (std::size_t k = 0; k < withinBudget; ++k) {
        if (failures[k]) std::rethrow_exception(failures[k]);
        if (tables.at(lengths[k]).empty()) return false;
    }
    return withinBudget == lengths.size();
}

// The pixel at a place of the view, where every pixel lies inside.
inline Pixel pixelAt(const unsigned char* place) {
    Pixel pixel;
    std::memcpy(pixel.data(), place, 3);
    return pixel;
}

// The frame edges of the rows first ... end - 1, by the rule's own scan, on the view.
void rowFrameEdges(const unsigned char* pixels, const BmpLayout& layout, std::int32_t first, std::int32_t end,
                   FrameEdges* edges) {
    for (std::int32_t y = first; y < end; ++y) {
        const unsigned char* row = pixels + rowStart(layout, y);
        edges[y] = scanFrameEdges(layout.width, [row](std::int32_t q) { return pixelAt(row + 3 * static_cast<std::size_t>(q)); });
    }
}

// The frame edges of the columns first ... end - 1, found row after row of
// the file rather than down each column: the same probes, in an order that
// reads memory in sequence.
void columnFrameEdges(const unsigned char* pixels, const BmpLayout& layout, std::int32_t first, std::int32_t end,
                      FrameEdges* edges) {
    const std::int32_t n = layout.height;
    std::vector<std::int32_t> open;  // columns still in a bar
    auto scan = [&](std::int32_t from, std::int32_t step, auto record) {
        for (std::int32_t q = from; q >= 0 && q < n && !open.empty(); q += step) {
            const unsigned char* row = pixels + rowStart(layout, q);
            std::size_t kept = 0;
            for (const std::int32_t x : open) {
                if (isFrameBlue(pixelAt(row + 3 * static_cast<std::size_t>(x)))) {
                    record(edges[x], q);
                    open[kept++] = x;
                }
            }
            open.resize(kept);
        }
    };
    for (std::int32_t x = first; x < end; ++x) open.push_back(x);
    scan(0, 1, [](FrameEdges& line, std::int32_t q) { line.innerStart = q + 1; });
    // From the end, only where the line holds a pixel that is not blue: that
    // pixel stops the scan before it passes innerStart.
    open.clear();
    for (std::int32_t x = first; x < end; ++x) {
        if (edges[x].innerStart == n) continue;
        edges[x].innerEnd = n - 1;
        open.push_back(x);
    }
    scan(n - 1, -1, [](FrameEdges& line, std::int32_t q) { line.innerEnd = q - 1; });
    for (std::int32_t x = first; x < end; ++x) edges[x].stretched = edges[x].innerEnd > edges[x].innerStart;
}

// The edges of every line, in blocks of lines on several threads.
std::vector<FrameEdges> frameEdges(const Pass& pass, const unsigned char* pixels) {
    const BmpLayout& layout = pass.state.layout;
    std::vector<FrameEdges> edges(static_cast<std::size_t>(pass.lines));
    constexpr std::int32_t blockLines = 256;
    forEachBand(
        (pass.lines + blockLines - 1) / blockLines, pass.state.threads,
        [&](std::int32_t block, int) {
            const std::int32_t first = block * blockLines;
            const std::int32_t end = std::min(first + blockLines, pass.lines);
            if (pass.kind == LineKind::Row) {
                rowFrameEdges(pixels, layout, first, end, edges.data());
            } else {
                columnFrameEdges(pixels, layout, first, end, edges.data());
            }
        },
        [](std::int32_t) {});
    return edges;
}

// A line's table (null where the line is not stretched) and where its inner part starts.
struct LineSources {
    const std::int32_t* table;
    std::int32_t innerStart;
};

// What a band needs: each line's sources, and where each picture row starts in the input.
struct TableRectification {
    const Pass& pass;
    const unsigned char* pixels;
    std::vector<FrameEdges> edges;
    std::vector<LineSources> lines;
    std::vector<std::size_t> rowStarts;
};

// Stored rows firstStored ... endStored - 1 of the output, bottom-up as in
// the file: each output pixel takes the source its line's table names, and
// stays zero, as the pre-fill left it, where the rule writes nothing.
void buildRows(const TableRectification& work, std::int32_t firstStored, std::int32_t endStored, unsigned char* band) {
    // Everything the loops need in locals: their byte stores could alias anything else.
    const BmpLayout& layout = work.pass.state.layout;
    const std::size_t rowBytes = static_cast<std::size_t>(layout.rowBytes);
    const auto width = static_cast<std::size_t>(layout.width);
    const std::int32_t height = layout.height;
    const unsigned char* const pixels = work.pixels;
    const LineSources* const lines = work.lines.data();
    const std::size_t* const rowStarts = work.rowStarts.data();
    const bool alongRows = work.pass.kind == LineKind::Row;
    for (std::int32_t stored = firstStored; stored < endStored; ++stored) {
        const std::int32_t y = height - 1 - stored;
        unsigned char* const out = band + static_cast<std::size_t>(stored - firstStored) * rowBytes;
        if (alongRows) {
            const LineSources line = lines[y];
            if (line.table == nullptr) continue;
            const unsigned char* const inner = pixels + rowStarts[y] + 3 * static_cast<std::size_t>(line.innerStart);
            for (std::size_t q = 0; q < width; ++q) {
                const std::int32_t s = line.table[q];
                if (s >= 0) std::memcpy(out + 3 * q, inner + 3 * static_cast<std::size_t>(s), 3);
            }
        } else {
            for (std::size_t q = 0; q < width; ++q) {
                const LineSources line = lines[q];
                if (line.table == nullptr) continue;
                const std::int32_t s = line.table[y];
                if (s >= 0) std::memcpy(out + 3 * q, pixels + rowStarts[line.innerStart + s] + 3 * q, 3);
            }
        }
    }
}

constexpr std::int32_t bandRows = 64;

} // namespace

// The same result as line by line, from the tables, in bands of stored rows
// built in memory on several threads and written whole.
bool stretchFromTables(Pass& pass) {
    const BmpLayout& layout = pass.state.layout;
    if (!tablesApply(layout, pass.input.length()) || pass.input.mapped() == nullptr) return false;
    TableRectification work{pass, pass.input.mapped(), {}, {}, {}};
    pass.input.touchInOrder(pass.state.threads);
    work.edges = frameEdges(pass, work.pixels);
    for (const FrameEdges& line : work.edges) pass.frameSeen = pass.frameSeen || touchesFrame(line, pass.length);
    std::map<std::int32_t, SourceTable> tables;
    if (!buildTables(pass, work.edges, tables)) return false;
    for (const FrameEdges& line : work.edges) {
        work.lines.push_back({line.stretched ? tables.at(line.innerEnd - line.innerStart).data() : nullptr, line.innerStart});
    }
    for (std::int32_t y = 0; y < layout.height; ++y) work.rowStarts.push_back(static_cast<std::size_t>(rowStart(layout, y)));

    // Whole rows in file order need no view of the output: they are written through the file.
    PixelOutput output(pass.state.output, 0);
    const std::int32_t bands = (layout.height + bandRows - 1) / bandRows;
    const int threads = std::max(pass.state.threads, 1);
    std::vector<WorkBuffer> buffers(static_cast<std::size_t>(threads));
    ProgressDots dots;
    std::int32_t linesShown = 0;
    auto showProgress = [&](std::int32_t linesDone) {
        for (; linesShown < linesDone; ++linesShown) dots.advance(linesShown, pass.lines - 1);
    };
    forEachBand(
        bands, threads,
        [&](std::int32_t band, int worker) {
            const std::int32_t firstStored = band * bandRows;
            const std::int32_t endStored = std::min(firstStored + bandRows, layout.height);
            const std::size_t rowBytes = static_cast<std::size_t>(layout.rowBytes);
            // The fill bytes of the band's last row are left as the pre-fill made
            // them: a file may end inside the top row's fill, and writing them
            // would lengthen it. Those between the rows are zero on both sides.
            const std::size_t bytes = (static_cast<std::size_t>(endStored - firstStored) - 1) * rowBytes +
                                      3 * static_cast<std::size_t>(layout.width);
            unsigned char* rows = buffers[static_cast<std::size_t>(worker)].zeroed(bytes);
            buildRows(work, firstStored, endStored, rows);
            writeRows(output, rowStart(layout, layout.height - 1 - firstStored), rows, bytes);
        },
        [&](std::int32_t done) {
            // The dots count lines; in mode v every stored row advances all columns a little.
            showProgress(static_cast<std::int32_t>(static_cast<std::int64_t>(pass.lines) * done / bands));
            pass.input.confirmIntact();
            output.confirmIntact();
        });
    if (bands > 0) showProgress(pass.lines);
    pass.input.confirmIntact();
    output.finish();
    return true;
}

} // namespace glattzug
