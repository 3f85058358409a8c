// Tables of sources shared by lines of equal inner length: built at once for
// mode v, or as the bands come to need them in a cache for mode h.
#pragma once

#include "bandsources.hpp"

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace glattzug {

// The target of a source pixel depends only on the inner length m = s1 - s0
// and on s - s0, so lines of equal inner length share one table: for every
// target position, the source index (s - s0) whose pixel it ends with, or -1
// where nothing is written. The table follows the write order of the rule,
// later writes replacing earlier ones.
using SourceTable = std::vector<std::int32_t>;

// Empty where a target falls outside the line: such writes land in other
// lines, and only the line-by-line order gives them their place.
SourceTable sourceTableFor(const Pass& pass, std::int32_t innerLength);

// Tables for the inner lengths of all stretched lines, on several threads;
// false where one cannot be had or they would take too much memory. The
// outcome is the one of building them one after another in the order of first
// use, which stops at the first table that cannot be had, or at the first failure.
bool buildTables(const Pass& pass, const std::vector<FrameEdges>& edges, std::map<std::int32_t, SourceTable>& tables);

// A table and its runs.
struct LinearTable {
    SourceTable table;
    std::vector<TableRun> runs;
};

// Tables built as the bands come to need them, by whichever thread first
// does, and kept within the memory budget (options.tableCacheEntries);
// beyond it, a thread keeps its own.
struct TableCache {
    std::mutex mutex;
    std::map<std::int32_t, LinearTable> tables;
    std::size_t entries = 0;
};

// The table of a linear stretch, whose writes never leave the line; own
// holds it where the cache is full.
const LinearTable* linearTable(const Pass& pass, TableCache& cache, std::int32_t innerLength, LinearTable& own);

} // namespace glattzug
