// The turn pixel by pixel in the source order, every access checked.
#include "sourceorder_pass.hpp"

#include "blackfill.hpp"
#include "checked.hpp"
#include "console.hpp"

#include <vector>

namespace kippdreh {

void placeInSourceOrder(const TurnPass& pass, const PixelInput& input, PixelOutput& output) {
    const RotationGeometry& g = pass.geometry;
    const BmpLayout& in = pass.in;
    const BmpLayout& out = pass.out;
    std::vector<std::int32_t> columns(static_cast<std::size_t>(in.width));
    std::vector<std::int32_t> rows(static_cast<std::size_t>(in.width));
    ProgressDots dots;
    const std::int32_t lastRow = checkedSub(in.height, 1);
    for (std::int32_t y = 0; y < in.height; ++y) {
        dots.advance(y, lastRow);
        if (y % 64 == 0) {
            input.confirmIntact();
            output.confirmIntact();
        }
        turnRun(pass.turn, y, 0, in.width, columns.data(), rows.data(), pass.vectorForms);
        for (std::int32_t x = 0; x < in.width; ++x) {
            Pixel pixel = readPixel(input, pixelOffset(in, x, y));
            const std::int32_t column = checkedAdd(columns[static_cast<std::size_t>(x)], g.marginX);
            const std::int32_t outRow = checkedAdd(rows[static_cast<std::size_t>(x)], g.marginY);
            writePixel(output, pixelOffset(out, column, outRow), pixel);
            // The gap rule, on the output through pixelio.
            if (column > 0) {
                std::int32_t left = pixelOffset(out, column - 1, outRow);
                if (isBlack(readPixel(output, left).data())) writePixel(output, left, pixel);
            }
        }
    }
}

} // namespace kippdreh
