// Which source pixels may land in a part of a band of output rows: the
// source rows, and in each the columns, whose targets can fall inside it.
// The bounds may take a few pixels too many, never one too few: the exact
// target of each pixel they give decides where it goes.
#pragma once

#include "placerow.hpp"
#include "rowrange.hpp"

#include <algorithm>
#include <cmath>

namespace kippdreh {

// Defined here, in the header, so that the placing of each part inlines them:
// they run once for every source row of every part.
namespace reaching {

// How far the bounds are widened, and why. A pixel lands in output row
// centreRow - round(Y) and column centreColumn + round(X), so the part's rows
// firstRow ... endRow - 1 take the Y in [centreRow - endRow + 0.5, centreRow -
// firstRow + 0.5], and its columns firstColumn ... endColumn (the last one's
// pixels are placed too) the X in [firstColumn - centreColumn - 0.5,
// endColumn - centreColumn + 0.5]. The direct form computed here lies within
// 2^-34 of the true value and the exact target within 2^-33 (see turn.cpp),
// so one pixel more on each side (targetMargin) holds every target with room
// to spare.
constexpr double targetMargin = 1.0;
// The column where a row's coordinate crosses a bound is found by a division
// whose rounding, and the truncation to a column, each move it by less than
// one column: columnMargin more on each side, and one more at the end, which
// is exclusive.
constexpr double columnMargin = 2.0;
// The rows' bound is found from the corners alone; b = hh - y moves the
// coordinates by at most one per row, so rowMargin rows on each side, and
// one more at the exclusive end, cover the roundings of the corners' values.
constexpr double rowMargin = 2.0;

// The columns x of a source row whose turned coordinate slope * (x - hw) +
// base may lie within [low, high].
inline RowRange columnsWhere(const TurnPass& pass, double slope, double base, double low, double high) {
    const std::int32_t width = pass.in.width;
    // The coordinate changes by less than 2^-24 along a row.
    if (std::fabs(slope) < 0x1p-40) {
        return base >= low - 1 && base <= high + 1 ? RowRange{0, width} : RowRange{0, 0};
    }
    double from = (low - base) / slope;
    double to = (high - base) / slope;
    if (from > to) std::swap(from, to);
    from = std::max(from - columnMargin + pass.turn.hw, 0.0);
    to = std::min(to + (columnMargin + 1) + pass.turn.hw, static_cast<double>(width));
    if (from >= to) return {0, 0};
    return {static_cast<std::int32_t>(from), static_cast<std::int32_t>(to)};
}

} // namespace reaching

// The columns of source row y that may land in the part (its column
// endColumn included), as a range of columns.
inline RowRange columnsReaching(const TurnPass& pass, std::int32_t y, const BandPart& part) {
    using namespace reaching;
    const Turn& turn = pass.turn;
    const double b = turn.hh - y;
    const std::int32_t centreRow = turn.hh + pass.geometry.marginY;  // round(Y) = centreRow - output row
    constexpr double half = 0.5;
    RowRange span = columnsWhere(pass, -turn.sinT, b * turn.cosT, centreRow - part.endRow + half - targetMargin,
                                 centreRow - part.firstRow + half + targetMargin);
    if (part.firstColumn == 0 && part.endColumn == pass.geometry.newWidth) return span;
    const std::int32_t centreColumn = turn.hw + pass.geometry.marginX;  // output column = centreColumn + round(X)
    const RowRange across = columnsWhere(pass, turn.cosT, b * turn.sinT, part.firstColumn - centreColumn - half - targetMargin,
                                         part.endColumn - centreColumn + half + targetMargin);
    span.first = std::max(span.first, across.first);
    span.end = std::min(span.end, across.end);
    return span.first < span.end ? span : RowRange{0, 0};
}

// The source rows that may land in the part: from b = X sin + Y cos at the
// part's corners, widened as above.
inline RowRange rowsReaching(const TurnPass& pass, const BandPart& part) {
    using namespace reaching;
    const Turn& turn = pass.turn;
    const double rowY = turn.hh + pass.geometry.marginY;
    const double columnX = turn.hw + pass.geometry.marginX;
    constexpr double half = 0.5;
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (const double column : {part.firstColumn - columnX - half - targetMargin,
                                part.endColumn - columnX + half + targetMargin}) {
        for (const double row : {rowY - part.endRow + half - targetMargin, rowY - part.firstRow + half + targetMargin}) {
            low = std::min(low, column * turn.sinT + row * turn.cosT);
            high = std::max(high, column * turn.sinT + row * turn.cosT);
        }
    }
    const double first = std::clamp(turn.hh - high - rowMargin, 0.0, static_cast<double>(pass.in.height));
    const double end = std::clamp(turn.hh - low + (rowMargin + 1), first, static_cast<double>(pass.in.height));
    return {static_cast<std::int32_t>(first), static_cast<std::int32_t>(end)};
}

} // namespace kippdreh
