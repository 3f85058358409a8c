// Runs of picture rows read from the file into memory with one read each.
#include "picturerows.hpp"

namespace glattzug {

namespace {

// A read costs about as much as copying this many bytes.
constexpr std::size_t bytesPerRead = 8192;

// Rows in memory lie as in the file, from the start of the run's lowest stored row.
unsigned char* reserveRun(const BmpLayout& layout, RowRange run, RowsInMemory& rows) {
    rows.rowAt.resize(static_cast<std::size_t>(layout.height));
    unsigned char* bytes = rows.buffer.reserved(bytesOfRun(layout, run));
    const std::int32_t start = rowStart(layout, run.end - 1);
    for (std::int32_t y = run.first; y < run.end; ++y) {
        rows.rowAt[static_cast<std::size_t>(y)] = bytes + (rowStart(layout, y) - start);
    }
    return bytes;
}

// A piece of the file, from begin to end.
struct Piece {
    std::int64_t begin;
    std::int64_t end;
};

} // namespace

std::size_t bytesOfRun(const BmpLayout& layout, RowRange run) { return rowRunBytes(layout, run.end - run.first); }

void placeRun(const PixelInput& input, const BmpLayout& layout, RowRange run, const unsigned char* view,
              RowsInMemory& rows) {
    const std::int32_t start = rowStart(layout, run.end - 1);
    if (view != nullptr) {
        rows.rowAt.resize(static_cast<std::size_t>(layout.height));
        for (std::int32_t y = run.first; y < run.end; ++y) {
            rows.rowAt[static_cast<std::size_t>(y)] = view + rowStart(layout, y);
        }
        return;
    }
    readRows(input, start, reserveRun(layout, run, rows), bytesOfRun(layout, run));
}

void placeColumnsOfRun(const PixelInput& input, const BmpLayout& layout, RowRange run,
                       const std::vector<std::int32_t>& columns, RowsInMemory& rows) {
    // Neighbouring columns travel together, and so do pieces closer than a read costs;
    // the pieces of a row's end and the next stored row's start are often one.
    std::vector<Piece> clusters;  // byte ranges within a row
    for (const std::int32_t x : columns) {
        const Piece pixel{3LL * x, 3LL * x + 3};
        if (!clusters.empty() && pixel.begin - clusters.back().end <= static_cast<std::int64_t>(bytesPerRead)) {
            clusters.back().end = pixel.end;
        } else {
            clusters.push_back(pixel);
        }
    }
    std::vector<Piece> pieces;
    for (std::int32_t y = run.end - 1; y >= run.first; --y) {  // in the order of the file
        const std::int64_t row = rowStart(layout, y);
        for (const Piece& cluster : clusters) {
            const Piece piece{row + cluster.begin, row + cluster.end};
            if (!pieces.empty() && piece.begin - pieces.back().end <= static_cast<std::int64_t>(bytesPerRead)) {
                pieces.back().end = piece.end;
            } else {
                pieces.push_back(piece);
            }
        }
    }
    std::size_t cost = 0;
    for (const Piece& piece : pieces) cost += static_cast<std::size_t>(piece.end - piece.begin) + bytesPerRead;
    if (cost >= bytesOfRun(layout, run) + bytesPerRead) {
        placeRun(input, layout, run, nullptr, rows);
        return;
    }
    unsigned char* bytes = reserveRun(layout, run, rows);
    const std::int64_t start = rowStart(layout, run.end - 1);
    for (const Piece& piece : pieces) {
        readRows(input, piece.begin, bytes + (piece.begin - start), static_cast<std::size_t>(piece.end - piece.begin));
    }
}

} // namespace glattzug
