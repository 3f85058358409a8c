// The rectifier's pass line by line as the rule reads, every access checked.
#include "linebyline_pass.hpp"

#include "checked.hpp"
#include "console.hpp"

namespace glattzug {

void stretchLineByLine(Pass& pass, PixelOutput& output) {
    const BmpLayout& layout = pass.state.layout;
    pass.input.view();
    ProgressDots dots;
    for (std::int32_t i = 0; i < pass.lines; ++i) {
        dots.advance(i, checkedSub(pass.lines, 1));
        pass.input.confirmIntact();
        output.confirmIntact();
        PictureLine line{pass.kind, i};
        FrameEdges edges = findFrameEdges(pass.input, layout, pass.length, line);
        pass.frameSeen = pass.frameSeen || touchesFrame(edges, pass.length);
        if (!edges.stretched) continue;
        stretchLine(
            edges, [&](std::int32_t s) { return pass.targetOf(edges, s); },
            [&](std::int32_t q) { return readPixel(pass.input, positionOffset(layout, line, q)); },
            [&](std::int32_t q, const Pixel& pixel) { writePixel(output, positionOffset(layout, line, q), pixel); });
    }
}

} // namespace glattzug
