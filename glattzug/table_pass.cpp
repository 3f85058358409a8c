#include "bandsources.hpp"

#include "checked.hpp"
#include "console.hpp"
#include "parallelbands.hpp"

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

// Stored rows firstStored ... endStored - 1 of the output, bottom-up as in
// the file: each output pixel takes the source its line's table names, and
// stays zero, as the pre-fill left it, where the rule writes nothing.
void buildRows(const std::vector<LineSources>& sources, const BmpLayout& layout, LineKind kind,
               std::int32_t firstStored, std::int32_t endStored, const RowsInMemory& rows, unsigned char* band) {
    // Everything the loops need in locals: their byte stores could alias anything else.
    const std::size_t rowBytes = static_cast<std::size_t>(layout.rowBytes);
    const auto width = static_cast<std::size_t>(layout.width);
    const std::int32_t height = layout.height;
    const LineSources* const lines = sources.data();
    const unsigned char* const* const rowAt = rows.rowAt.data();
    for (std::int32_t stored = firstStored; stored < endStored; ++stored) {
        const std::int32_t y = height - 1 - stored;
        unsigned char* const out = band + static_cast<std::size_t>(stored - firstStored) * rowBytes;
        if (kind == LineKind::Row) {
            const LineSources line = lines[y];
            if (line.table == nullptr) continue;
            const unsigned char* const inner = rowAt[y] + 3 * static_cast<std::size_t>(line.innerStart);
            for (std::size_t q = 0; q < width; ++q) {
                const std::int32_t s = line.table[q];
                if (s >= 0) std::memcpy(out + 3 * q, inner + 3 * static_cast<std::size_t>(s), 3);
            }
        } else {
            for (std::size_t q = 0; q < width; ++q) {
                const LineSources line = lines[q];
                if (line.table == nullptr) continue;
                const std::int32_t s = line.table[y];
                if (s < 0) continue;
                const std::int32_t r = line.innerStart + s;
                const unsigned char* from = line.gathered != nullptr ? line.gathered + 3 * static_cast<std::size_t>(r)
                                                                     : rowAt[r] + 3 * q;
                std::memcpy(out + 3 * q, from, 3);
            }
        }
    }
}

// The source rows a thread may hold at once, and the gathered columns; a band
// that needs more takes its rows from a view of the input, and so does a
// pass that would gather more.
constexpr std::size_t sourceBudget = 8u << 20;
constexpr std::size_t gatherBudget = 16u << 20;

} // namespace

// The same result as line by line, from the tables, in bands of stored rows
// built in memory on several threads and written whole. Each band reads the
// rows it takes pixels from through the file, in as few runs as they allow.
bool stretchFromTables(Pass& pass) {
    const BmpLayout& layout = pass.state.layout;
    if (!tablesApply(layout, pass.input.length())) return false;
    const int threads = std::max(pass.state.threads, 1);
    std::vector<RowsInMemory> rows(static_cast<std::size_t>(threads));
    const std::vector<FrameEdges> edges = frameEdgesThroughFile(pass, rows);
    for (const FrameEdges& line : edges) pass.frameSeen = pass.frameSeen || touchesFrame(line, pass.length);
    std::map<std::int32_t, SourceTable> tables;
    if (!buildTables(pass, edges, tables)) return false;
    std::vector<LineSources> lines;
    for (const FrameEdges& line : edges) {
        lines.push_back({line.stretched ? tables.at(line.innerEnd - line.innerStart).data() : nullptr, line.innerStart});
    }
    const std::int32_t bands = (layout.height + bandRows - 1) / bandRows;
    BandSources sources = planBandSources(pass, lines, bands);
    // Columns whose inner parts lie far apart can make a band need more rows
    // than a thread may hold, or leave too many columns to gather.
    const unsigned char* view = nullptr;
    const bool gatherTooMuch = 3 * sources.gathered.size() * static_cast<std::size_t>(layout.height) > gatherBudget;
    auto tooMany = [&](const RowRange& run) { return !run.empty() && bytesOfRuns(layout, {run}) > sourceBudget; };
    if (gatherTooMuch || std::any_of(sources.runOfBand.begin(), sources.runOfBand.end(), tooMany)) {
        view = pass.input.view();
        if (view == nullptr) return false;
    }
    if (gatherTooMuch) {
        // Every column reads from the view, band by band.
        sources.gathered.clear();
        sources.runOfBand = planBandSources(pass, lines, bands, false).runOfBand;
    }
    const std::vector<unsigned char> gathered = gatherColumns(pass, sources, rows);
    for (std::size_t k = 0; k < sources.gathered.size(); ++k) {
        lines[static_cast<std::size_t>(sources.gathered[k])].gathered = &gathered[3 * k * static_cast<std::size_t>(layout.height)];
    }

    // Whole rows in file order need no view of the output: they are written through the file.
    PixelOutput output(pass.state.output, 0);
    std::vector<WorkBuffer> built(static_cast<std::size_t>(threads));
    ProgressDots dots;
    std::int32_t linesShown = 0;
    auto showProgress = [&](std::int32_t linesDone) {
        for (; linesShown < linesDone; ++linesShown) dots.advance(linesShown, pass.lines - 1);
    };
    forEachBand(
        bands, threads,
        [&](std::int32_t band, int worker) {
            const auto at = static_cast<std::size_t>(worker);
            const RowRange run = sources.runOfBand[static_cast<std::size_t>(band)];
            if (!run.empty()) placeRuns(pass.input, layout, {run}, tooMany(run) ? view : nullptr, rows[at]);
            const std::int32_t firstStored = band * bandRows;
            const std::int32_t endStored = std::min(firstStored + bandRows, layout.height);
            // The fill bytes of the band's last row are left as the pre-fill made
            // them: a file may end inside the top row's fill, and writing them
            // would lengthen it. Those between the rows are zero on both sides.
            const std::size_t bytes = (static_cast<std::size_t>(endStored - firstStored) - 1) *
                                          static_cast<std::size_t>(layout.rowBytes) +
                                      3 * static_cast<std::size_t>(layout.width);
            unsigned char* into = built[at].zeroed(bytes);
            buildRows(lines, layout, pass.kind, firstStored, endStored, rows[at], into);
            writeRows(output, rowStart(layout, layout.height - 1 - firstStored), into, bytes);
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
