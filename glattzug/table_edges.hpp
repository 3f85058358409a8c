// The frame edges of lines held in memory, by the rule's own scan: of one
// row, and of every column from runs of rows read through the file.
#pragma once

#include "pass.hpp"

#include <vector>

namespace glattzug {

FrameEdges rowFrameEdges(const unsigned char* row, std::int32_t width);

// On as many threads as rows are given. The picture must lie wholly inside the input.
std::vector<FrameEdges> columnFrameEdgesThroughFile(const Pass& pass, std::vector<RowsInMemory>& rows);

} // namespace glattzug
