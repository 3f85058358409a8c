// Which source pixels may land in a part of a band of output rows: the
// source rows, and in each the columns, whose targets can fall inside it.
// The bounds may take a few pixels too many, never one too few: the exact
// target of each pixel they give decides where it goes.
#pragma once

#include "placerow.hpp"
#include "rowrange.hpp"

namespace kippdreh {

// The columns of source row y that may land in the part (its column
// endColumn included), as a range of columns.
RowRange columnsReaching(const TurnPass& pass, std::int32_t y, const BandPart& part);

// The source rows that may land in the part.
RowRange rowsReaching(const TurnPass& pass, const BandPart& part);

} // namespace kippdreh
