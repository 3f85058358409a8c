// Placing by bands of output rows. A source pixel's write and its
// left-neighbour fill touch only the output row it lands in, so the bytes of
// an output row depend only on the source pixels that land in it, taken in
// the source order. A band of output rows is therefore assembled on its own:
// every source row in turn, from the top, gives the pixels that land in the
// band, from the left. Bands touch disjoint rows; the band engine builds them
// on its threads and writes each once as a whole.
#include "outputrows_pass.hpp"

#include "bandpass.hpp"
#include "placerow.hpp"
#include "reaching.hpp"
#include "sourcewindow.hpp"
#include "workbuffer.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace kippdreh {

namespace {

// Output rows per band. At larger angles each band takes a piece of every
// source row that reaches it: taller bands take longer pieces, fewer times.
std::int32_t rowsPerBand(const TurnPass& pass) { return pass.inRuns ? 64 : 128; }

// The source rows lie far apart in memory, so the pass asks for a later
// row's pixels while it places the current one's. Tuning values, measured,
// not derived: on 6000 x 4500 and 12000 x 9000 pictures turned by 45 and 90
// degrees (2-core machine, medians of 7), asking for the current row only
// (0 ahead) was 25 to 40 per cent slower at the quarter turn than 6 ahead;
// 12 ahead was the same as 6 within the noise. Of each row's piece, the
// first 1024 bytes are asked for; the hardware prefetcher follows on.
constexpr std::int32_t prefetchAhead = 6;
constexpr std::size_t prefetchBytes = 1024;
constexpr std::size_t cacheLine = 64;

// At larger angles a band is built in parts this many columns wide, so that
// the part being built stays in the processor's cache; a small turn, whose
// source rows each reach few bands, builds its band in one part.
constexpr std::int32_t partColumns = 512;

// The ring of source rows may take this much memory; larger turns view the
// input. Where a view is a copy of the input, any ring weighs less than it.
std::size_t windowBudget() { return FileMapping::copiesTheFile() ? SIZE_MAX : std::size_t{24} << 20; }

// Where the pass finds its source rows: in a view of the input, or, at small
// turns, in a window of rows read through the file.
struct SourceRows {
    const BmpLayout& in;
    const unsigned char* view;
    const SourceWindow* window;

    const unsigned char* row(std::int32_t y) const { return view != nullptr ? view + rowStart(in, y) : window->row(y); }
};

// The source rows of every band, made to move down monotonically, and the
// ring's rows: a band's, and room for the threads to run ahead. Capacity 0
// where the ring would not fit the budget.
void planWindow(const TurnPass& pass, int threads, OutputRowsPlan& plan) {
    if (!pass.options.sourceWindow) return;
    std::vector<RowRange> bandRows;
    for (std::int32_t band = 0; band < plan.bands; ++band) {
        const std::int32_t firstRow = band * plan.rowsPerBand;
        const BandPart whole{firstRow, std::min(firstRow + plan.rowsPerBand, pass.geometry.newHeight), 0,
                             pass.geometry.newWidth};
        bandRows.push_back(rowsReaching(pass, whole));
    }
    for (std::size_t band = bandRows.size(); band-- > 1;) {
        bandRows[band - 1].first = std::min(bandRows[band - 1].first, bandRows[band].first);
    }
    for (std::size_t band = 1; band < bandRows.size(); ++band) {
        bandRows[band].end = std::max(bandRows[band].end, bandRows[band - 1].end);
    }
    std::int32_t widest = 0;
    for (const RowRange& rows : bandRows) widest = std::max(widest, rows.end - rows.first);
    const std::int64_t capacity = static_cast<std::int64_t>(widest) + 2LL * plan.rowsPerBand * std::max(threads, 1);
    if (static_cast<std::uint64_t>(capacity) * static_cast<std::uint64_t>(pass.in.rowBytes) > windowBudget()) return;
    plan.windowRows = std::move(bandRows);
    plan.windowCapacity = static_cast<std::int32_t>(std::min<std::int64_t>(capacity, pass.in.height));
}

struct BandWork {
    WorkBuffer rows;
    std::vector<std::int32_t> columns;
    std::vector<std::int32_t> targetRows;
};

// Places the source pixels that land in the part, from the source rows
// within sourceRows, in the source order; returns the end of the furthest.
std::size_t placePart(const TurnPass& pass, const SourceRows& source, const BandPart& part, RowRange sourceRows,
                      unsigned char* band, BandWork& work) {
    const RowRange reaching = rowsReaching(pass, part);
    const std::int32_t firstY = std::max(sourceRows.first, reaching.first);
    const std::int32_t endY = std::min(sourceRows.end, reaching.end);
    std::size_t furthest = 0;
    // The spans of the rows from y to y + prefetchAhead, each worked out once.
    RowRange spans[prefetchAhead + 1];
    for (std::int32_t y = firstY; y < std::min(firstY + prefetchAhead, endY); ++y) {
        spans[y % (prefetchAhead + 1)] = columnsReaching(pass, y, part);
    }
    for (std::int32_t y = firstY; y < endY; ++y) {
        const std::int32_t later = y + prefetchAhead;
        if (later < endY) {
            const RowRange ahead = columnsReaching(pass, later, part);
            spans[later % (prefetchAhead + 1)] = ahead;
            const unsigned char* start = source.row(later) + 3 * static_cast<std::size_t>(ahead.first);
            const std::size_t length = std::min<std::size_t>(3 * static_cast<std::size_t>(ahead.end - ahead.first), prefetchBytes);
            for (std::size_t at = 0; at < length; at += cacheLine) __builtin_prefetch(start + at);
        }
        const RowRange span = spans[y % (prefetchAhead + 1)];
        if (span.first >= span.end) continue;
        const unsigned char* pixel = source.row(y) + 3 * static_cast<std::size_t>(span.first);
        const std::int32_t count = span.end - span.first;
        if (pass.byQuarter) {
            furthest = std::max(furthest, placeQuarterTurned(pass, part, y, span.first, count, pixel, band));
            continue;
        }
        std::int32_t* const columns = work.columns.data();
        std::int32_t* const targetRows = work.targetRows.data();
        turnRun(pass.turn, y, span.first, span.end, columns, targetRows, pass.vectorForms);
        furthest = std::max(furthest, pass.inRuns ? placeInRuns(pass, part, pixel, count, columns, targetRows, band)
                                                  : placeEach(pass, part, pixel, count, columns, targetRows, band));
    }
    return furthest;
}

// Builds output rows firstRow ... endRow - 1 in the band's buffer.
BuiltBand buildBand(const TurnPass& pass, const SourceRows& source, std::int32_t firstRow, std::int32_t endRow,
                    RowRange sourceRows, BandWork& work) {
    const std::size_t rowBytes = static_cast<std::size_t>(pass.out.rowBytes);
    const std::size_t bytes = static_cast<std::size_t>(endRow - firstRow) * rowBytes;
    const std::int32_t width = pass.geometry.newWidth;
    const std::int32_t columnsPerPart = pass.inRuns ? width : partColumns;
    // Rows stored bottom-up as in the file.
    unsigned char* const band = work.rows.reserved(bytes);
    std::size_t furthest = 0;
    for (std::int32_t column = 0; column < width; column += columnsPerPart) {
        const BandPart part{firstRow, endRow, column, std::min(column + columnsPerPart, width)};
        // Black, as the pre-fill leaves the output: each part clears its
        // columns, the one after them included, just before it fills them.
        const std::size_t from = 3 * static_cast<std::size_t>(part.firstColumn);
        const std::size_t to = std::min(3 * static_cast<std::size_t>(part.endColumn) + 3, rowBytes);
        for (std::size_t row = 0; row < static_cast<std::size_t>(endRow - firstRow); ++row) {
            std::memset(band + row * rowBytes + from, 0, to - from);
        }
        furthest = std::max(furthest, placePart(pass, source, part, sourceRows, band, work));
    }
    if (furthest == 0) return {};  // the reserved space is black already
    const std::int32_t start = rowStart(pass.out, endRow - 1);
    return {band, bytes, start, start + static_cast<std::int64_t>(furthest)};
}

} // namespace

std::optional<OutputRowsPlan> planOutputRows(const TurnPass& pass, std::int64_t inputLength, std::int64_t extent) {
    const BmpLayout& in = pass.in;
    if (!wholePictureInside(in, inputLength)) return std::nullopt;
    if (in.dataOffset < 54 || extent > INT32_MAX || in.width == 0 || in.height == 0) return std::nullopt;
    // The turn is linear, so its true values are greatest and least at the
    // corners. The direct form is within 2^-34 of them and the exact target's
    // X and Y within 2^-33, so every target rounds inside the corners' values
    // widened by 2^-28.
    const Turn& turn = pass.turn;
    double low[2] = {HUGE_VAL, HUGE_VAL};
    double high[2] = {-HUGE_VAL, -HUGE_VAL};
    for (const std::int32_t x : {0, in.width - 1}) {
        for (const std::int32_t y : {0, in.height - 1}) {
            const double a = x - turn.hw;
            const double b = turn.hh - y;
            const double turned[2] = {a * turn.cosT + b * turn.sinT, b * turn.cosT - a * turn.sinT};
            for (int i = 0; i < 2; ++i) {
                low[i] = std::min(low[i], turned[i] - 0x1p-28);
                high[i] = std::max(high[i], turned[i] + 0x1p-28);
            }
        }
    }
    const RotationGeometry& g = pass.geometry;
    const double columnX = turn.hw + g.marginX;  // output column = columnX + round(X)
    const double rowY = turn.hh + g.marginY;     // output row = rowY - round(Y)
    if (columnX + std::nearbyint(low[0]) < 0 || columnX + std::nearbyint(high[0]) >= g.newWidth ||
        rowY - std::nearbyint(high[1]) < 0 || rowY - std::nearbyint(low[1]) >= g.newHeight) {
        return std::nullopt;
    }
    OutputRowsPlan plan;
    plan.rowsPerBand = rowsPerBand(pass);
    plan.bands = (g.newHeight + plan.rowsPerBand - 1) / plan.rowsPerBand;
    planWindow(pass, pass.options.threads, plan);
    return plan;
}

void placeByOutputRows(const TurnPass& pass, const OutputRowsPlan& plan, const PixelInput& input, PixelOutput& output) {
    const int threads = std::max(pass.options.threads, 1);
    std::vector<BandWork> work(static_cast<std::size_t>(threads));
    for (BandWork& scratch : work) {
        scratch.columns.resize(static_cast<std::size_t>(pass.in.width));
        scratch.targetRows.resize(static_cast<std::size_t>(pass.in.width));
    }
    std::optional<SourceWindow> window;
    if (plan.windowCapacity > 0) window.emplace(input, pass.in, plan.windowRows, plan.windowCapacity);
    const SourceRows source{pass.in, window ? nullptr : input.mapped(), window ? &*window : nullptr};
    // Bands are numbered from the top row, the end of the file, down. The
    // dots follow the source rows; here they advance with the share of bands done.
    runBandPass({plan.bands, pass.in.height}, pass.options, input, output, [&](std::int32_t band, int worker) {
        const std::int32_t firstRow = band * plan.rowsPerBand;
        const std::int32_t endRow = std::min(firstRow + plan.rowsPerBand, pass.geometry.newHeight);
        BuiltBand built;
        try {
            if (window && !window->take(band)) return built;  // the pass is failing elsewhere
            const RowRange rows = window ? plan.windowRows[static_cast<std::size_t>(band)] : RowRange{0, pass.in.height};
            built = buildBand(pass, source, firstRow, endRow, rows, work[static_cast<std::size_t>(worker)]);
        } catch (...) {
            if (window) window->abandon();
            throw;
        }
        if (window) window->finish(band);
        return built;
    });
}

} // namespace kippdreh
