// The angle of a shift and the size of the turned picture.
#include "geometry.hpp"

#include "checked.hpp"
#include "realmath.hpp"
#include "extendedmath.hpp"

#include <charconv>
#include <cmath>

namespace kippdreh {

void computeAngle(RotationJob& job) {
    if (job.mode == RotationMode::Degrees) return;
    std::int32_t tilt = checkedMul(2, job.shift);
    // Mode x tilts the left and right sides over the height, mode y the upper
    // and lower sides over the width.
    if (job.mode == RotationMode::ShiftX) {
        job.angle = storeDouble(arctangentX87(static_cast<extended>(tilt) / job.layout.height));
    } else {
        job.angle = storeDouble(-arctangentX87(static_cast<extended>(tilt) / job.layout.width));
    }
}

StepMessage computeGeometry(RotationJob& job) {
    RotationGeometry& g = job.geometry;
    std::int32_t w = job.layout.width;
    std::int32_t h = job.layout.height;
    extended turn = extendedAbs(static_cast<extended>(job.angle));
    extended c = cosineX87(turn);
    extended s = sineX87(turn);
    std::int32_t w0 = checkedAdd(truncToInt32(w * c + h * s), 1);
    std::int32_t h0 = checkedAdd(truncToInt32(w * s + h * c), 1);
    g.marginX = checkedAdd(checkedSub(w0, w) / 2, 1);
    g.marginY = checkedAdd(checkedSub(h0, h) / 2, 1);
    g.newWidth = checkedAdd(w, checkedMul(2, g.marginX));
    g.newHeight = checkedAdd(h, checkedMul(2, g.marginY));
    std::int64_t outputSize = static_cast<std::int64_t>(g.newWidth) * g.newHeight * 3 + 54;
    if (outputSize > INT32_MAX) return "Ausgabe-Bild zu gross (Datei ueber 2 GB)";
    if (g.newWidth > 65535 || g.newHeight > 65535) {
        return "Ausgabe-Bild zu gross (Breite oder Hoehe ueber 65535 Pixel)";
    }
    g.outputSize = static_cast<std::int32_t>(outputSize);
    storeImageSize(job.header, g.newWidth, g.newHeight);
    return std::nullopt;
}

std::string degreesText(double angle) {
    extended degrees = static_cast<extended>(angle) * 180.0L / extendedPi;
    char buffer[64];
    auto result = extendedToChars(buffer, buffer + sizeof buffer, degrees, std::chars_format::fixed, 2);
    return std::string(buffer, result.ptr);
}

} // namespace kippdreh
