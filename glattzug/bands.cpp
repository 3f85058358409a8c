// The bands of stored rows of the table pass: each built in memory from the
// lines' sources and handed to the band engine.
#include "bands.hpp"

#include "bandpass.hpp"

#include <algorithm>
#include <cstring>

namespace glattzug {

namespace {

// Neighbouring columns that take their pixels from the same rows: one table,
// one inner start, none gathered. Their pixels of a row move as one piece.
struct ColumnRun {
    std::size_t first;
    std::size_t end;
    LineSources sources;
};

std::vector<ColumnRun> columnRuns(const std::vector<LineSources>& lines) {
    std::vector<ColumnRun> runs;
    for (std::size_t x = 0; x < lines.size(); ++x) {
        const LineSources& line = lines[x];
        const LineSources* last = runs.empty() ? nullptr : &runs.back().sources;
        if (last != nullptr && line.gathered == nullptr && last->gathered == nullptr && last->table == line.table &&
            (line.table == nullptr || last->innerStart == line.innerStart)) {
            runs.back().end = x + 1;
        } else {
            runs.push_back({x, x + 1, line});
        }
    }
    return runs;
}

// Stored rows firstStored ... endStored - 1 of the output, bottom-up as in
// the file: each output pixel takes the source its line's table names, and is
// zero, as the pre-fill left it, where the rule writes nothing; so are the fill
// bytes between the rows.
void buildRows(const std::vector<LineSources>& sources, const std::vector<ColumnRun>& columns, const BmpLayout& layout,
               LineKind kind, std::int32_t firstStored, std::int32_t endStored, const RowsInMemory& rows,
               unsigned char* band) {
    // Everything the loops need in locals: their byte stores could alias anything else.
    const std::size_t rowBytes = static_cast<std::size_t>(layout.rowBytes);
    const auto width = static_cast<std::size_t>(layout.width);
    const std::int32_t height = layout.height;
    const LineSources* const lines = sources.data();
    const unsigned char* const* const rowAt = rows.rowAt.data();
    for (std::int32_t stored = firstStored; stored < endStored; ++stored) {
        const std::int32_t y = height - 1 - stored;
        unsigned char* const out = band + static_cast<std::size_t>(stored - firstStored) * rowBytes;
        if (stored + 1 < endStored) std::memset(out + 3 * width, 0, rowBytes - 3 * width);
        if (kind == LineKind::Row) {
            const LineSources line = lines[y];
            if (line.table == nullptr) {
                std::memset(out, 0, 3 * width);
                continue;
            }
            const unsigned char* const inner = rowAt[y] + 3 * static_cast<std::size_t>(line.innerStart);
            for (std::size_t k = 0; k < line.runCount; ++k) {
                const TableRun run = line.runs[k];
                unsigned char* const to = out + 3 * static_cast<std::size_t>(run.first);
                const std::size_t bytes = 3 * static_cast<std::size_t>(run.length);
                if (run.source >= 0) {
                    std::memcpy(to, inner + 3 * static_cast<std::size_t>(run.source), bytes);
                } else {
                    std::memset(to, 0, bytes);
                }
            }
        } else {
            for (const ColumnRun& run : columns) {
                const LineSources& line = run.sources;
                const std::size_t bytes = 3 * (run.end - run.first);
                const std::int32_t s = line.table == nullptr ? -1 : line.table[y];
                if (s < 0) {
                    std::memset(out + 3 * run.first, 0, bytes);
                    continue;
                }
                const std::int32_t r = line.innerStart + s;
                const unsigned char* from = line.gathered != nullptr ? line.gathered + 3 * static_cast<std::size_t>(r)
                                                                     : rowAt[r] + 3 * run.first;
                std::memcpy(out + 3 * run.first, from, bytes);
            }
        }
    }
}

} // namespace

void writeBands(Pass& pass, const std::vector<LineSources>& lines, std::vector<RowsInMemory>& rows,
                const std::function<void(std::int32_t band, int worker)>& placeSources) {
    const BmpLayout& layout = pass.state.layout;
    const std::int32_t bands = (layout.height + bandRows - 1) / bandRows;
    // Whole rows in file order need no view of the output: they are written through the file.
    PixelOutput output(pass.state.output, 0);
    std::vector<WorkBuffer> built(rows.size());
    const std::vector<ColumnRun> columns = pass.kind == LineKind::Column ? columnRuns(lines) : std::vector<ColumnRun>{};
    PassOptions options = pass.state.options;
    options.threads = static_cast<int>(rows.size());
    // The dots count lines; in mode v every stored row advances all columns a little.
    runBandPass({bands, pass.lines}, options, pass.input, output, [&](std::int32_t band, int worker) {
        placeSources(band, worker);
        const std::int32_t firstStored = band * bandRows;
        const std::int32_t endStored = std::min(firstStored + bandRows, layout.height);
        // The fill bytes of the band's last row are left as the pre-fill made
        // them: writing them could lengthen the file. Those between the rows
        // are zero on both sides.
        const std::size_t bytes = rowRunBytes(layout, endStored - firstStored);
        unsigned char* into = built[static_cast<std::size_t>(worker)].reserved(bytes);
        const RowsInMemory& sourceRows = rows[static_cast<std::size_t>(worker)];
        buildRows(lines, columns, layout, pass.kind, firstStored, endStored, sourceRows, into);
        const std::int32_t offset = rowStart(layout, layout.height - 1 - firstStored);
        return BuiltBand{into, bytes, offset, offset + static_cast<std::int64_t>(bytes)};
    });
    output.finish();
}

} // namespace glattzug
