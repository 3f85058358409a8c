// The bands of stored rows of the table pass, built from the lines' sources
// and handed to the band engine, which writes them whole.
#pragma once

#include "bandsources.hpp"

#include <functional>
#include <vector>

namespace glattzug {

// Builds every band of stored rows on several threads, each in memory from
// the lines' sources, and writes it whole through the file, with the rule's
// progress dots. placeSources(band, worker) first makes the rows a band takes
// its pixels from available in rows[worker], and may fill in the lines of the band.
void writeBands(Pass& pass, const std::vector<LineSources>& lines, std::vector<RowsInMemory>& rows,
                const std::function<void(std::int32_t band, int worker)>& placeSources);

} // namespace glattzug
