// Placing by bands of output rows. A source pixel's write and its
// left-neighbour fill touch only the output row it lands in, so the bytes of
// an output row depend only on the source pixels that land in it, taken in
// the source order. A band of output rows is therefore assembled on its own:
// every source row in turn, from the top, gives the pixels that land in the
// band, from the left. Bands touch disjoint rows, so they may be built on
// any thread in any order, and each is written once as a whole.
#include "passes.hpp"

#include "checked.hpp"
#include "console.hpp"
#include "workbuffer.hpp"
#include "parallelbands.hpp"
#include "sourcewindow.hpp"
#include "placerow.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <vector>

namespace kippdreh {

namespace {

// Output rows per band. At larger angles each band takes a piece of every
// source row that reaches it: taller bands take longer pieces, fewer times.
std::int32_t rowsPerBand(const TurnPass& pass) { return pass.inRuns ? 64 : 128; }
constexpr std::int32_t prefetchAhead = 6;

struct Span {
    std::int32_t first;
    std::int32_t end;
};

// The columns x of a source row whose turned coordinate slope * (x - hw) +
// base may lie within [low, high], and two columns more on each side for the
// rounding of this bound.
Span columnsWhere(const TurnPass& pass, double slope, double base, double low, double high) {
    const std::int32_t width = pass.in.width;
    // The coordinate changes by less than 2^-24 along a row.
    if (std::fabs(slope) < 0x1p-40) return base >= low - 1 && base <= high + 1 ? Span{0, width} : Span{0, 0};
    double from = (low - base) / slope;
    double to = (high - base) / slope;
    if (from > to) std::swap(from, to);
    from = std::max(from - 2 + pass.turn.hw, 0.0);
    to = std::min(to + 3 + pass.turn.hw, static_cast<double>(width));
    if (from >= to) return {0, 0};
    return {static_cast<std::int32_t>(from), static_cast<std::int32_t>(to)};
}

// The columns of source row y that may land in the part: those whose X and
// Y, in the direct form, lie within the part widened by one on each side.
// The exact target decides for each of them.
Span columnsReaching(const TurnPass& pass, std::int32_t y, const BandPart& part) {
    const Turn& turn = pass.turn;
    const double b = turn.hh - y;
    const std::int32_t centreRow = turn.hh + pass.geometry.marginY;  // round(Y) = centreRow - output row
    Span span = columnsWhere(pass, -turn.sinT, b * turn.cosT, centreRow - part.endRow - 0.5,
                             centreRow - part.firstRow + 1.5);
    if (part.firstColumn == 0 && part.endColumn == pass.geometry.newWidth) return span;
    const std::int32_t centreColumn = turn.hw + pass.geometry.marginX;  // output column = centreColumn + round(X)
    const Span across = columnsWhere(pass, turn.cosT, b * turn.sinT, part.firstColumn - centreColumn - 1.5,
                                     part.endColumn - centreColumn + 1.5);
    span.first = std::max(span.first, across.first);
    span.end = std::min(span.end, across.end);
    return span.first < span.end ? span : Span{0, 0};
}

// Where the pass finds its source rows: in a view of the input, or, at small
// turns, in a window of rows read through the file.
struct SourceRows {
    const BmpLayout& in;
    const unsigned char* view;
    const SourceWindow* window;

    const unsigned char* row(std::int32_t y) const { return view != nullptr ? view + rowStart(in, y) : window->row(y); }
};

// The source rows that may land in the part: b = X sin + Y cos at its
// corners, widened by two rows.
RowSpan rowsReaching(const TurnPass& pass, const BandPart& part) {
    const Turn& turn = pass.turn;
    const double rowY = turn.hh + pass.geometry.marginY;
    const double columnX = turn.hw + pass.geometry.marginX;
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (const double column : {part.firstColumn - columnX - 1.5, part.endColumn - columnX + 1.5}) {
        for (const double row : {rowY - part.endRow - 0.5, rowY - part.firstRow + 1.5}) {
            low = std::min(low, column * turn.sinT + row * turn.cosT);
            high = std::max(high, column * turn.sinT + row * turn.cosT);
        }
    }
    const double first = std::clamp(turn.hh - high - 2, 0.0, static_cast<double>(pass.in.height));
    const double end = std::clamp(turn.hh - low + 3, first, static_cast<double>(pass.in.height));
    return {static_cast<std::int32_t>(first), static_cast<std::int32_t>(end)};
}

// The ring of source rows may take this much memory; larger turns view the input.
constexpr std::size_t windowBudget = 24u << 20;

// The source rows of every band, made to move down monotonically, and the
// ring's rows: a band's, and room for the threads to run ahead. Empty where
// the ring would not fit the budget.
struct WindowPlan {
    std::vector<RowSpan> bandRows;
    std::int32_t capacity = 0;
};

std::atomic<bool> windowAllowed{true};

WindowPlan planWindow(const TurnPass& pass, std::int32_t bands, int threads) {
    WindowPlan plan;
    if (!windowAllowed) return plan;
    std::int32_t widest = 0;
    for (std::int32_t band = 0; band < bands; ++band) {
        const std::int32_t firstRow = band * rowsPerBand(pass);
        const BandPart whole{firstRow, std::min(firstRow + rowsPerBand(pass), pass.geometry.newHeight), 0,
                             pass.geometry.newWidth};
        const RowSpan rows = rowsReaching(pass, whole);
        plan.bandRows.push_back(rows);
    }
    for (std::size_t band = plan.bandRows.size(); band-- > 1;) {
        plan.bandRows[band - 1].first = std::min(plan.bandRows[band - 1].first, plan.bandRows[band].first);
    }
    for (std::size_t band = 1; band < plan.bandRows.size(); ++band) {
        plan.bandRows[band].end = std::max(plan.bandRows[band].end, plan.bandRows[band - 1].end);
    }
    for (const RowSpan& rows : plan.bandRows) widest = std::max(widest, rows.end - rows.first);
    const std::int64_t capacity = static_cast<std::int64_t>(widest) + 2LL * rowsPerBand(pass) * std::max(threads, 1);
    if (capacity * pass.in.rowBytes > static_cast<std::int64_t>(windowBudget)) return {};
    plan.capacity = static_cast<std::int32_t>(std::min<std::int64_t>(capacity, pass.in.height));
    return plan;
}

struct BandWork {
    WorkBuffer rows;
    std::vector<std::int32_t> columns;
    std::vector<std::int32_t> targetRows;
};

// Places the source pixels that land in the part, from the source rows
// within sourceRows, in the source order; returns the end of the furthest.
std::size_t placePart(const TurnPass& pass, const SourceRows& source, const BandPart& part, RowSpan sourceRows,
                      unsigned char* band, BandWork& work) {
    const RowSpan reaching = rowsReaching(pass, part);
    const std::int32_t firstY = std::max(sourceRows.first, reaching.first);
    const std::int32_t endY = std::min(sourceRows.end, reaching.end);
    std::size_t furthest = 0;
    // The spans of the rows from y to y + prefetchAhead, each worked out once.
    Span spans[prefetchAhead + 1];
    for (std::int32_t y = firstY; y < std::min(firstY + prefetchAhead, endY); ++y) {
        spans[y % (prefetchAhead + 1)] = columnsReaching(pass, y, part);
    }
    for (std::int32_t y = firstY; y < endY; ++y) {
        // The source rows lie far apart in memory: ask early for a later one's pixels.
        const std::int32_t later = y + prefetchAhead;
        if (later < endY) {
            const Span ahead = columnsReaching(pass, later, part);
            spans[later % (prefetchAhead + 1)] = ahead;
            const unsigned char* start = source.row(later) + 3 * static_cast<std::size_t>(ahead.first);
            const std::size_t length = std::min<std::size_t>(3 * static_cast<std::size_t>(ahead.end - ahead.first), 1024);
            for (std::size_t at = 0; at < length; at += 64) __builtin_prefetch(start + at);
        }
        const Span span = spans[y % (prefetchAhead + 1)];
        if (span.first >= span.end) continue;
        const unsigned char* pixel = source.row(y) + 3 * static_cast<std::size_t>(span.first);
        const std::int32_t count = span.end - span.first;
        if (pass.byQuarter) {
            furthest = std::max(furthest, placeQuarterTurned(pass, part, y, span.first, count, pixel, band));
            continue;
        }
        std::int32_t* const columns = work.columns.data();
        std::int32_t* const targetRows = work.targetRows.data();
        turnRun(pass.turn, y, span.first, span.end, columns, targetRows);
        furthest = std::max(furthest, pass.inRuns ? placeInRuns(pass, part, pixel, count, columns, targetRows, band)
                                                  : placeEach(pass, part, pixel, count, columns, targetRows, band));
    }
    return furthest;
}

// At larger angles a band is built in parts this many columns wide, so that
// the part being built stays in the processor's cache; a small turn, whose
// source rows each reach few bands, builds its band in one part.
constexpr std::int32_t partColumns = 512;

// Builds output rows firstRow ... endRow - 1 and writes them; returns the
// end of the furthest pixel written in the file, or 0 when none was.
std::int64_t placeBand(const TurnPass& pass, const SourceRows& source, PixelOutput& output, std::int32_t firstRow,
                       std::int32_t endRow, RowSpan sourceRows, BandWork& work) {
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
    if (furthest == 0) return 0;  // the reserved space is black already
    const std::int32_t start = rowStart(pass.out, endRow - 1);
    writeRows(output, start, band, bytes);
    return start + static_cast<std::int64_t>(furthest);
}

} // namespace

void allowSourceWindow(bool allow) { windowAllowed = allow; }

bool mayPlaceByOutputRows(const TurnPass& pass, PixelInput& input, std::int64_t extent, int threads) {
    const BmpLayout& in = pass.in;
    if (!wholePictureInside(in, input.length())) return false;
    if (in.dataOffset < 54 || extent > INT32_MAX || in.width == 0 || in.height == 0) return false;
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
        return false;
    }
    const std::int32_t bands = (g.newHeight + rowsPerBand(pass) - 1) / rowsPerBand(pass);
    return planWindow(pass, bands, threads).capacity > 0 || input.view() != nullptr;
}

void placeByOutputRows(const TurnPass& pass, const PixelInput& input, PixelOutput& output, int threads) {
    const std::int32_t bands = (pass.geometry.newHeight + rowsPerBand(pass) - 1) / rowsPerBand(pass);
    std::vector<BandWork> work(static_cast<std::size_t>(std::max(threads, 1)));
    for (BandWork& scratch : work) {
        scratch.columns.resize(static_cast<std::size_t>(pass.in.width));
        scratch.targetRows.resize(static_cast<std::size_t>(pass.in.width));
    }
    const WindowPlan plan = planWindow(pass, bands, threads);
    std::optional<SourceWindow> window;
    if (plan.capacity > 0) window.emplace(input, pass.in, plan.bandRows, plan.capacity);
    const SourceRows source{pass.in, window ? nullptr : input.mapped(), window ? &*window : nullptr};
    std::atomic<std::int64_t> furthest{0};
    // The dots follow the source rows; here they advance with the share of bands done.
    ProgressDots dots;
    const std::int32_t lastRow = checkedSub(pass.in.height, 1);
    std::int32_t dottedRows = 0;
    auto showProgress = [&](std::int32_t rowsDone) {
        for (; dottedRows < rowsDone; ++dottedRows) dots.advance(dottedRows, lastRow);
    };
    forEachBand(
        bands, threads,
        [&](std::int32_t band, int worker) {
            const std::int32_t firstRow = band * rowsPerBand(pass);
            const std::int32_t endRow = std::min(firstRow + rowsPerBand(pass), pass.geometry.newHeight);
            std::int64_t reached = 0;
            try {
                if (window && !window->take(band)) return;  // the pass is failing elsewhere
                const RowSpan rows =
                    window ? plan.bandRows[static_cast<std::size_t>(band)] : RowSpan{0, pass.in.height};
                BandWork& scratch = work[static_cast<std::size_t>(worker)];
                reached = placeBand(pass, source, output, firstRow, endRow, rows, scratch);
            } catch (...) {
                if (window) window->abandon();
                throw;
            }
            if (window) window->finish(band);
            for (std::int64_t known = furthest; reached > known && !furthest.compare_exchange_weak(known, reached);) {
            }
        },
        // Bands are taken from the top row, the end of the file, down: once
        // the first is written, a file cut by another process stays shorter
        // than the writes left it, and the check finds it.
        [&](std::int32_t done) {
            output.grewTo(furthest);
            input.confirmIntact();
            output.confirmIntact();
            showProgress(static_cast<std::int32_t>(static_cast<std::int64_t>(pass.in.height) * done / bands));
        });
    showProgress(pass.in.height);
    output.grewTo(furthest);
    input.confirmIntact();
    output.confirmIntact();
}

} // namespace kippdreh
