// The turn's pixel pass: by output rows where it is planned, else in the
// source order; then the top row black.
#include "rotatepixels.hpp"

#include "outputrows_pass.hpp"
#include "sourceorder_pass.hpp"

#include "console.hpp"

#include <algorithm>
#include <optional>
#include <vector>

namespace kippdreh {

namespace {

// How far the pass's writes reach: the pre-filled picture, or the one pixel
// that the top row's last write puts beyond that row.
std::int64_t outputExtent(const RotationGeometry& g, const BmpLayout& out) {
    std::int64_t topRowEnd = static_cast<std::int64_t>(out.dataOffset) + 3LL * g.newWidth +
                             static_cast<std::int64_t>(out.rowBytes) * (g.newHeight - 1) + 3;
    return std::min<std::int64_t>(std::max<std::int64_t>(g.outputSize, topRowEnd), 0x7FFFFFFFLL + 3);
}

// The top row black, one write beyond its last pixel included: pixel by
// pixel, so that an offset past 2^31 fails where its write would.
void blackenTopRow(const TurnPass& pass, PixelOutput& output) {
    const Pixel black{0, 0, 0};
    for (std::int32_t column = 0; column <= pass.geometry.newWidth; ++column) {
        writePixel(output, pixelOffset(pass.out, column, 0), black);
    }
}

// The same as one run, where the whole output is known to lie below 2^31.
void blackenTopRowAtOnce(const TurnPass& pass, PixelOutput& output) {
    const std::vector<unsigned char> black(3 * (static_cast<std::size_t>(pass.geometry.newWidth) + 1), 0);
    writePixels(output, pixelOffset(pass.out, 0, 0), black.data(), pass.geometry.newWidth + 1);
}

} // namespace

void rotatePixels(const RotationJob& job, const ByteFile& inputFile, ByteFile& outputFile, const PassOptions& options) {
    const RotationGeometry& g = job.geometry;
    const TurnPass pass{g, job.layout, layoutFor(job.layout.dataOffset, g.newWidth, g.newHeight),
                        turnAbout(g.halfWidth, g.halfHeight, job.angle), options};
    const std::int64_t extent = outputExtent(g, pass.out);
    PixelInput input(inputFile, options.views);
    std::optional<OutputRowsPlan> plan = planOutputRows(pass, input.length(), extent);
    // Without a window of source rows the pass by output rows views the input.
    if (plan && plan->windowCapacity == 0 && input.view() == nullptr) plan.reset();
    if (plan) {
        PixelOutput output(outputFile, extent, OutputAccess::ThroughFile);
        placeByOutputRows(pass, *plan, input, output);
        blackenTopRowAtOnce(pass, output);
        output.finish();
    } else {
        PixelOutput output(outputFile, extent, options.views ? OutputAccess::Viewed : OutputAccess::ThroughFile);
        input.view();  // pixel after pixel, rows far apart
        placeInSourceOrder(pass, input, output);
        blackenTopRow(pass, output);
        input.confirmIntact();
        output.finish();
    }
    consoleLine();
}

} // namespace kippdreh
