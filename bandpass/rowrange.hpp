// A range of rows, first ... end - 1: the one name both image tools use for
// the rows of a band, the source rows it takes, or a run of rows read at once.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

struct RowRange {
    std::int32_t first = INT32_MAX;  // empty until a row is taken
    std::int32_t end = 0;

    bool empty() const { return first >= end; }
    bool holds(std::int32_t y) const { return y >= first && y < end; }
    void take(std::int32_t y) {
        first = std::min(first, y);
        end = std::max(end, y + 1);
    }
};
