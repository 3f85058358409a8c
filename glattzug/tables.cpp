// Tables of sources for lines of equal inner length, and their cache.
#include "tables.hpp"

#include "failure.hpp"
#include "parallelbands.hpp"

#include <algorithm>
#include <exception>

namespace glattzug {

namespace {

// Where a write leaves the line, the table cannot hold it.
struct LeavesTheLine {};

// Tables for all inner lengths in use, within a memory budget.
constexpr std::size_t tableBudget = 8u << 20;  // entries: 32 MiB

} // namespace

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
        static_cast<std::int32_t>(withinBudget), pass.state.options.threads,
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

namespace {

std::vector<TableRun> runsOf(const SourceTable& table) {
    std::vector<TableRun> runs;
    for (std::size_t q = 0; q < table.size(); ++q) {
        const std::int32_t source = table[q];
        if (!runs.empty()) {
            TableRun& run = runs.back();
            const bool follows = run.source < 0 ? source < 0 : source == run.source + run.length;
            if (follows) {
                ++run.length;
                continue;
            }
        }
        runs.push_back({static_cast<std::int32_t>(q), 1, source < 0 ? -1 : source});
    }
    return runs;
}

} // namespace

const LinearTable* linearTable(const Pass& pass, TableCache& cache, std::int32_t innerLength, LinearTable& own) {
    {
        const std::lock_guard<std::mutex> lock(cache.mutex);
        const auto found = cache.tables.find(innerLength);
        if (found != cache.tables.end()) return &found->second;
    }
    LinearTable made{sourceTableFor(pass, innerLength), {}};
    // v = (n - 1) / m x (s - s0) lies in 0 ... n - 1 for s0 <= s <= s1.
    if (made.table.empty()) raiseFailure(FailureKind::RangeError);
    made.runs = runsOf(made.table);
    const std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.entries + made.table.size() > pass.state.options.tableCacheEntries) {
        own = std::move(made);
        return &own;
    }
    const auto [at, inserted] = cache.tables.emplace(innerLength, std::move(made));
    if (inserted) cache.entries += at->second.table.size();
    return &at->second;
}


} // namespace glattzug
