// Which rows each band of the table pass reads, and the columns gathered once.
#include "bandsources.hpp"

#include "parallelbands.hpp"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace glattzug {

RowRange bandRowsOf(const BmpLayout& layout, std::int32_t band) {
    const std::int32_t firstStored = band * bandRows;
    return {layout.height - std::min(firstStored + bandRows, layout.height), layout.height - firstStored};
}

namespace {

// Ranges closer than this count as one run: a read costs about as much as copying a few rows.
constexpr std::int32_t runGap = 4;

// Columns of one table and one inner start take the same rows.
struct ColumnGroup {
    const std::int32_t* table;
    std::int32_t innerStart;
    std::int32_t columns = 0;
    bool gathered = false;
    std::vector<RowRange> rowsOfBand;
};

std::vector<ColumnGroup> columnGroups(const std::vector<LineSources>& lines, const BmpLayout& layout,
                                      std::int32_t bands) {
    std::map<std::pair<const std::int32_t*, std::int32_t>, ColumnGroup> groups;
    std::map<const std::int32_t*, std::vector<RowRange>> indicesOf;  // per table and band
    for (const LineSources& line : lines) {
        if (line.table == nullptr) continue;
        const ColumnGroup fresh{line.table, line.innerStart, 0, false, {}};
        groups.try_emplace({line.table, line.innerStart}, fresh).first->second.columns++;
        if (!indicesOf.emplace(line.table, std::vector<RowRange>{}).second) continue;
        for (std::int32_t band = 0; band < bands; ++band) {
            const RowRange rows = bandRowsOf(layout, band);
            RowRange taken;
            for (std::int32_t y = rows.first; y < rows.end; ++y) {
                if (line.table[y] >= 0) taken.take(line.table[y]);
            }
            indicesOf[line.table].push_back(taken);
        }
    }
    std::vector<ColumnGroup> all;
    for (auto& [key, group] : groups) {
        for (const RowRange& indices : indicesOf.at(group.table)) {
            const RowRange rows{indices.first + group.innerStart, indices.end + group.innerStart};
            group.rowsOfBand.push_back(indices.empty() ? indices : rows);
        }
        all.push_back(std::move(group));
    }
    return all;
}

// The groups' ranges in one band merged into runs; the run that the most
// columns take from.
RowRange mainRun(const std::vector<ColumnGroup>& groups, std::size_t band) {
    std::vector<std::pair<RowRange, std::int32_t>> ranges;  // with its columns
    for (const ColumnGroup& group : groups) {
        if (!group.rowsOfBand[band].empty()) ranges.emplace_back(group.rowsOfBand[band], group.columns);
    }
    std::sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.first.first < b.first.first; });
    RowRange best;
    std::int32_t bestColumns = 0;
    for (std::size_t i = 0; i < ranges.size();) {
        RowRange run = ranges[i].first;
        std::int32_t columns = 0;
        for (; i < ranges.size() && ranges[i].first.first <= run.end + runGap; ++i) {
            run.end = std::max(run.end, ranges[i].first.end);
            columns += ranges[i].second;
        }
        if (columns > bestColumns) best = run, bestColumns = columns;
    }
    return best;
}

bool within(const RowRange& range, const RowRange& run) {
    return range.empty() || (range.first >= run.first && range.end <= run.end);
}

} // namespace

BandSources planBandSources(const Pass& pass, const std::vector<LineSources>& lines, std::int32_t bands,
                            bool mayGather) {
    const BmpLayout& layout = pass.state.layout;
    BandSources plan;
    if (pass.kind == LineKind::Row) {
        for (std::int32_t band = 0; band < bands; ++band) plan.runOfBand.push_back(bandRowsOf(layout, band));
        return plan;
    }
    std::vector<ColumnGroup> groups = columnGroups(lines, layout, bands);
    for (std::size_t band = 0; mayGather && band < static_cast<std::size_t>(bands); ++band) {
        const RowRange main = mainRun(groups, band);
        for (ColumnGroup& group : groups) group.gathered = group.gathered || !within(group.rowsOfBand[band], main);
    }
    // Each band reads what its columns that are not gathered need.
    plan.runOfBand.resize(static_cast<std::size_t>(bands));
    for (const ColumnGroup& group : groups) {
        for (std::size_t band = 0; band < plan.runOfBand.size(); ++band) {
            const RowRange& rows = group.rowsOfBand[band];
            if (rows.empty()) continue;
            RowRange& into = group.gathered ? plan.gatheredRows : plan.runOfBand[band];
            into.take(rows.first);
            into.take(rows.end - 1);
        }
    }
    std::set<std::pair<const std::int32_t*, std::int32_t>> gathered;
    for (const ColumnGroup& group : groups) {
        if (group.gathered) gathered.emplace(group.table, group.innerStart);
    }
    for (std::size_t x = 0; x < lines.size(); ++x) {
        if (gathered.count({lines[x].table, lines[x].innerStart}) != 0) {
            plan.gathered.push_back(static_cast<std::int32_t>(x));
        }
    }
    return plan;
}

std::vector<unsigned char> gatherColumns(const Pass& pass, const BandSources& sources,
                                         std::vector<RowsInMemory>& rows) {
    const BmpLayout& layout = pass.state.layout;
    const auto height = static_cast<std::size_t>(layout.height);
    std::vector<unsigned char> columns(3 * sources.gathered.size() * height);
    if (sources.gathered.empty()) return columns;
    const RowRange all = sources.gatheredRows;
    forEachBand(
        (all.end - all.first + bandRows - 1) / bandRows, static_cast<int>(rows.size()),
        [&](std::int32_t block, int worker) {
            const RowRange run{all.first + block * bandRows, std::min(all.first + (block + 1) * bandRows, all.end)};
            RowsInMemory& held = rows[static_cast<std::size_t>(worker)];
            placeColumnsOfRun(pass.input, layout, run, sources.gathered, held);
            for (std::int32_t y = run.first; y < run.end; ++y) {
                const unsigned char* row = held.rowAt[static_cast<std::size_t>(y)];
                for (std::size_t k = 0; k < sources.gathered.size(); ++k) {
                    std::memcpy(&columns[3 * (k * height + static_cast<std::size_t>(y))],
                                row + 3 * static_cast<std::size_t>(sources.gathered[k]), 3);
                }
            }
        },
        [](std::int32_t) {});
    return columns;
}

} // namespace glattzug
