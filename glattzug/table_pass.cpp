// The rectifier's pass from tables of sources, in bands of stored rows.
#include "table_pass.hpp"

#include "bands.hpp"
#include "table_edges.hpp"
#include "tables.hpp"

#include <algorithm>

namespace glattzug {

namespace {

// With every pixel of the picture inside the input and behind the header, no
// read can fail, no offset can overflow, the order in which lines are visited
// cannot change the result, and writing whole rows (zeros where the rule
// writes nothing) leaves the pre-filled bytes as they are.
bool tablesApply(const BmpLayout& layout, std::int64_t inputLength) {
    return layout.dataOffset >= 54 && wholePictureInside(layout, inputLength);
}

// The source rows a thread may hold at once, and the gathered columns; a band
// that needs more takes its rows from a view of the input, and so does a
// pass that would gather more.
constexpr std::size_t sourceBudget = 8u << 20;
constexpr std::size_t gatherBudget = 16u << 20;

// Mode h: every row is its own source, so a band reads its rows, finds their
// frame edges and stretches them: the file is read once.
void stretchRows(Pass& pass, std::vector<RowsInMemory>& rows) {
    const BmpLayout& layout = pass.state.layout;
    std::vector<LineSources> lines(static_cast<std::size_t>(pass.lines));
    std::vector<char> framed(lines.size(), 0);
    TableCache cache;
    std::vector<std::vector<LinearTable>> own(rows.size(), std::vector<LinearTable>(bandRows));
    writeBands(pass, lines, rows, [&](std::int32_t band, int worker) {
        const RowRange run = bandRowsOf(layout, band);
        RowsInMemory& held = rows[static_cast<std::size_t>(worker)];
        placeRun(pass.input, layout, run, nullptr, held);
        for (std::int32_t y = run.first; y < run.end; ++y) {
            const auto at = static_cast<std::size_t>(y);
            const FrameEdges edges = rowFrameEdges(held.rowAt[at], layout.width);
            framed[at] = touchesFrame(edges, pass.length);
            lines[at] = {nullptr, edges.innerStart, nullptr, nullptr, 0};
            if (!edges.stretched) continue;
            LinearTable& ownTable = own[static_cast<std::size_t>(worker)][static_cast<std::size_t>(y - run.first)];
            const LinearTable* table = linearTable(pass, cache, edges.innerEnd - edges.innerStart, ownTable);
            lines[at] = {table->table.data(), edges.innerStart, nullptr, table->runs.data(), table->runs.size()};
        }
    });
    pass.frameSeen = pass.frameSeen || std::find(framed.begin(), framed.end(), 1) != framed.end();
}

// Mode v: the columns' edges and tables first; then each band reads the run
// of rows most of its columns take pixels from, the others gathered once.
bool stretchColumns(Pass& pass, std::vector<RowsInMemory>& rows) {
    const BmpLayout& layout = pass.state.layout;
    const std::vector<FrameEdges> edges = columnFrameEdgesThroughFile(pass, rows);
    for (const FrameEdges& line : edges) pass.frameSeen = pass.frameSeen || touchesFrame(line, pass.length);
    std::map<std::int32_t, SourceTable> tables;
    if (!buildTables(pass, edges, tables)) return false;
    std::vector<LineSources> lines;
    for (const FrameEdges& line : edges) {
        const std::int32_t* table = line.stretched ? tables.at(line.innerEnd - line.innerStart).data() : nullptr;
        lines.push_back({table, line.innerStart, nullptr, nullptr, 0});
    }
    const std::int32_t bands = (layout.height + bandRows - 1) / bandRows;
    BandSources sources = planBandSources(pass, lines, bands);
    // Columns whose inner parts lie far apart can make a band need more rows
    // than a thread may hold, or leave too many columns to gather.
    const unsigned char* view = nullptr;
    const bool gatherTooMuch = 3 * sources.gathered.size() * static_cast<std::size_t>(layout.height) > gatherBudget;
    auto tooMany = [&](const RowRange& run) { return !run.empty() && bytesOfRun(layout, run) > sourceBudget; };
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
        const std::size_t column = static_cast<std::size_t>(sources.gathered[k]);
        lines[column].gathered = &gathered[3 * k * static_cast<std::size_t>(layout.height)];
    }
    writeBands(pass, lines, rows, [&](std::int32_t band, int worker) {
        const RowRange run = sources.runOfBand[static_cast<std::size_t>(band)];
        if (run.empty()) return;
        placeRun(pass.input, layout, run, tooMany(run) ? view : nullptr, rows[static_cast<std::size_t>(worker)]);
    });
    return true;
}

} // namespace

// The same result as line by line, from the tables, in bands of stored rows
// built in memory on several threads and written whole. Each band reads the
// rows it takes pixels from through the file, in one run.
bool stretchFromTables(Pass& pass) {
    if (!tablesApply(pass.state.layout, pass.input.length())) return false;
    std::vector<RowsInMemory> rows(static_cast<std::size_t>(std::max(pass.state.options.threads, 1)));
    if (pass.kind == LineKind::Row) {
        stretchRows(pass, rows);
        return true;
    }
    return stretchColumns(pass, rows);
}

} // namespace glattzug
