#include "picturerows.hpp"

namespace glattzug {

namespace {

std::size_t runBytes(const BmpLayout& layout, const RowRange& run) {
    return static_cast<std::size_t>(run.end - 1 - run.first) * static_cast<std::size_t>(layout.rowBytes) +
           3 * static_cast<std::size_t>(layout.width);
}

} // namespace

std::size_t bytesOfRuns(const BmpLayout& layout, const std::vector<RowRange>& runs) {
    std::size_t bytes = 0;
    for (const RowRange& run : runs) bytes += runBytes(layout, run);
    return bytes;
}

void placeRuns(const PixelInput& input, const BmpLayout& layout, const std::vector<RowRange>& runs,
               const unsigned char* view, RowsInMemory& rows) {
    rows.rowAt.resize(static_cast<std::size_t>(layout.height));
    unsigned char* into = view == nullptr ? rows.buffer.reserved(bytesOfRuns(layout, runs)) : nullptr;
    for (const RowRange& run : runs) {
        // The run's lowest stored row is its last picture row.
        const std::int32_t start = rowStart(layout, run.end - 1);
        const unsigned char* bytes = into;
        if (view == nullptr) {
            readRows(input, start, into, runBytes(layout, run));
            into += runBytes(layout, run);
        } else {
            bytes = view + start;
        }
        for (std::int32_t y = run.first; y < run.end; ++y) {
            rows.rowAt[static_cast<std::size_t>(y)] = bytes + (rowStart(layout, y) - start);
        }
    }
}

} // namespace glattzug
