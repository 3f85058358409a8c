// Where the table pass takes each band's source pixels from. A band of stored
// rows reads the rows it needs through the file as one run. In mode v most
// columns take a band's pixels from nearby rows; a few (where a bar's edge
// wanders, a column's inner part may lie far down) take theirs from rows far
// away, and reading those with every band would read the file several times
// over. Such columns are gathered once, whole, before the bands are built.
#pragma once

#include "pass.hpp"

#include <cstdint>
#include <vector>

namespace glattzug {

inline constexpr std::int32_t bandRows = 64;

// The picture rows of a band of stored rows.
RowRange bandRowsOf(const BmpLayout& layout, std::int32_t band);

// Target positions first ... first + length - 1 that take the sources
// source ... source + length - 1 of a table, or nothing where source is -1:
// the pieces in which a row's pixels move.
struct TableRun {
    std::int32_t first;
    std::int32_t length;
    std::int32_t source;
};

// A line's table (null where the line is not stretched), where its inner part
// starts, for a gathered column its pixels from the top row down, and in mode
// h the table's runs.
struct LineSources {
    const std::int32_t* table = nullptr;
    std::int32_t innerStart = 0;
    const unsigned char* gathered = nullptr;
    const TableRun* runs = nullptr;
    std::size_t runCount = 0;
};

struct BandSources {
    std::vector<RowRange> runOfBand;      // the rows each band reads
    std::vector<std::int32_t> gathered;   // the columns taken from copies
    RowRange gatheredRows;                // the rows those copies need
};

// The rows of each band in mode h; in mode v, the run of rows that the most
// columns of each band share, and, where gathering is allowed, the columns
// that fall outside it (otherwise every band's run holds all its columns need).
BandSources planBandSources(const Pass& pass, const std::vector<LineSources>& lines, std::int32_t bands,
                            bool mayGather = true);

// Copies of the gathered columns, read through the file in blocks of rows on
// several threads, one after another: the pixel of picture row y of the k-th
// at 3 * (k * height + y).
std::vector<unsigned char> gatherColumns(const Pass& pass, const BandSources& sources,
                                         std::vector<RowsInMemory>& rows);

} // namespace glattzug
