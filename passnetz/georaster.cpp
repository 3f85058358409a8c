// The picture as a plain geographic raster. The .INF model is linear in the
// longitude and in sinh of the latitude, so the columns keep their places
// (turned round when the longitude falls to the right) and only the rows are
// chosen anew: rows evenly spaced in latitude, each showing the source row
// its middle's latitude falls in, so no colour is invented.
#include "exportrun.hpp"

#include "checked.hpp"
#include "realmath.hpp"

#include <algorithm>
#include <cmath>

namespace passnetz {

namespace {

long double latitudeAt(long double row, const Calibration& calibration) {
    return std::asinh((row - calibration.d) / calibration.c) * 180.0L / extendedPi;
}

// The latitude a source row covers, from its upper to its lower edge.
long double rowExtent(std::int32_t row, const Calibration& calibration) {
    return std::fabs(latitudeAt(row + 0.5L, calibration) - latitudeAt(row - 0.5L, calibration));
}

} // namespace

std::optional<GeoRaster> geoRasterFor(std::int32_t width, std::int32_t height, const Calibration& calibration) {
    GeoRaster raster;
    raster.width = width;
    raster.mirrored = calibration.a < 0.0;
    // A column index lies at its pixel's middle: the picture's edges are half a column outside.
    const long double firstEdge = (-0.5L - calibration.b) / calibration.a;
    const long double lastEdge = (width - 0.5L - calibration.b) / calibration.a;
    raster.west = storeDouble(std::min(firstEdge, lastEdge));
    raster.columnStep = storeDouble(1.0L / std::fabs(static_cast<long double>(calibration.a)));
    const long double topEdge = latitudeAt(-0.5L, calibration);
    const long double bottomEdge = latitudeAt(height - 0.5L, calibration);
    raster.north = storeDouble(std::max(topEdge, bottomEdge));
    const long double span = std::fabs(topEdge - bottomEdge);
    // A row covers the least latitude where the latitude is largest, at one
    // end of the picture. A step below that least extent puts at least one
    // middle of an output row into every source row: none is skipped.
    const long double least = std::min(rowExtent(0, calibration), rowExtent(height - 1, calibration));
    const long double rows = std::floor(span / least) + 1.0L;
    if (!(rows <= static_cast<long double>(largestRasterRows))) return std::nullopt;
    raster.height = static_cast<std::int32_t>(rows);
    raster.rowStep = storeDouble(span / rows);
    raster.sourceRows.resize(static_cast<std::size_t>(raster.height));
    for (std::int32_t k = 0; k < raster.height; ++k) {
        // The middle's latitude as a reader of the stored step and corner computes it.
        const long double latitude = raster.north - (k + 0.5L) * static_cast<long double>(raster.rowStep);
        const long double row = calibration.c * std::sinh(latitude * extendedPi / 180.0L) + calibration.d;
        const long double nearest = std::floor(row + 0.5L);
        raster.sourceRows[static_cast<std::size_t>(k)] =
            static_cast<std::int32_t>(std::clamp(nearest, 0.0L, static_cast<long double>(height - 1)));
    }
    return raster;
}

} // namespace passnetz
