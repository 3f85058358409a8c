#include "pass.hpp"

#include "checked.hpp"
#include "console.hpp"

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

bool buildTables(const Pass& pass, const std::vector<FrameEdges>& edges,
                 std::map<std::int32_t, SourceTable>& tables) {
    std::size_t entries = 0;
    for (const FrameEdges& line : edges) {
        if (!line.stretched) continue;
        std::int32_t innerLength = line.innerEnd - line.innerStart;
        if (tables.count(innerLength) != 0) continue;
        entries += static_cast<std::size_t>(pass.length);
        if (entries > tableBudget) return false;
        SourceTable table = sourceTableFor(pass, innerLength);
        if (table.empty()) return false;
        tables.emplace(innerLength, std::move(table));
    }
    return true;
}

// The same result as line by line, computed from the tables one stored row
// at a time, in file order: each output row's pixels are made whole in a
// buffer (those of lines that are not stretched stay zero, as the pre-fill
// left them) and written in one piece.
} // namespace

bool stretchFromTables(Pass& pass) {
    const BmpLayout& layout = pass.state.layout;
    if (!tablesApply(layout, pass.input.length())) return false;
    std::vector<FrameEdges> edges(static_cast<std::size_t>(pass.lines));
    for (std::int32_t i = 0; i < pass.lines; ++i) {
        PictureLine line{pass.kind, i};
        edges[static_cast<std::size_t>(i)] = findFrameEdges(pass.input, layout, pass.length, line);
        pass.frameSeen = pass.frameSeen || touchesFrame(edges[static_cast<std::size_t>(i)], pass.length);
    }
    std::map<std::int32_t, SourceTable> tables;
    if (!buildTables(pass, edges, tables)) return false;
    std::vector<const std::int32_t*> tableOfLine(edges.size(), nullptr);
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (edges[i].stretched) tableOfLine[i] = tables.at(edges[i].innerEnd - edges[i].innerStart).data();
    }

    // Whole rows in file order need no view of the output: they are written through the file.
    PixelOutput output(pass.state.output, 0);
    std::vector<unsigned char> row(static_cast<std::size_t>(layout.rowBytes));
    ProgressDots dots;
    std::int32_t linesShown = 0;
    for (std::int32_t stored = 0; stored < layout.height; ++stored) {
        const std::int32_t y = layout.height - 1 - stored;
        // The dots count lines; in mode v every stored row advances all columns a little.
        std::int32_t linesDone = pass.kind == LineKind::Row
                                     ? stored + 1
                                     : static_cast<std::int32_t>((static_cast<std::int64_t>(stored) + 1) * pass.lines /
                                                                 layout.height);
        for (; linesShown < linesDone; ++linesShown) dots.advance(linesShown, pass.lines - 1);
        std::fill(row.begin(), row.end(), 0);
        // Where neighbouring targets take neighbouring source pixels, a whole
        // run is one copy.
        auto sourceOf = [&](std::int32_t q) -> std::int32_t {  // byte offset, or -1 where nothing is written
            if (pass.kind == LineKind::Row) {
                const std::int32_t* table = tableOfLine[static_cast<std::size_t>(y)];
                if (table == nullptr || table[q] < 0) return -1;
                return pixelOffset(layout, edges[static_cast<std::size_t>(y)].innerStart + table[q], y);
            }
            const std::int32_t* table = tableOfLine[static_cast<std::size_t>(q)];
            if (table == nullptr || table[y] < 0) return -1;
            return pixelOffset(layout, q, edges[static_cast<std::size_t>(q)].innerStart + table[y]);
        };
        for (std::int32_t q = 0; q < layout.width;) {
            const std::int32_t first = sourceOf(q);
            std::int32_t length = 1;
            if (first >= 0) {
                while (q + length < layout.width && sourceOf(q + length) == first + 3 * length) ++length;
                readPixels(pass.input, first, length, &row[3 * static_cast<std::size_t>(q)]);
            }
            q += length;
        }
        // The fill bytes are left as the pre-fill made them: a file may end
        // inside the top row's fill, and writing them would lengthen it.
        writePixels(output, rowStart(layout, y), row.data(), layout.width);
        pass.input.confirmIntact();
        output.confirmIntact();
    }
    output.finish();
    return true;
}

} // namespace glattzug
