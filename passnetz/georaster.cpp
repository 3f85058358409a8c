// The picture as a plain geographic raster. The .INF model is linear in the
// longitude and in sinh of the latitude, so the columns keep their places
// (turned round when the longitude falls to the right) and only the rows are
// chosen anew: rows evenly spaced in latitude, each showing the source row
// its middle's latitude falls in, so no colour is invented.
#include "exportrun.hpp"

#include "checked.hpp"
#include "realmath.hpp"


namespace passnetz {

namespace {

// The latitude of a row position by the .INF, from passnetz's inverse
// hyperbolic sine (the same operations everywhere; a double is ample here).
extended latitudeAt(extended row, const Calibration& calibration) {
    const double s = storeDouble((row - calibration.d) / calibration.c);
    return static_cast<extended>(asinhOfDoubles(s)) * 180.0L / extendedPi;
}

// The latitude a source row covers, from its upper to its lower edge.
extended rowExtent(std::int32_t row, const Calibration& calibration) {
    const extended middle = row;
    return extendedAbs(latitudeAt(middle + 0.5L, calibration) - latitudeAt(middle - 0.5L, calibration));
}

extended lesser(extended a, extended b) { return a < b ? a : b; }
extended greater(extended a, extended b) { return a < b ? b : a; }

} // namespace

std::optional<GeoRaster> geoRasterFor(std::int32_t width, std::int32_t height, const Calibration& calibration) {
    GeoRaster raster;
    raster.width = width;
    raster.mirrored = calibration.a < 0.0;
    // A column index lies at its pixel's middle: the picture's edges are half a column outside.
    const extended half = 0.5L;
    const extended firstEdge = (-half - calibration.b) / calibration.a;
    const extended lastEdge = (static_cast<extended>(width) - half - calibration.b) / calibration.a;
    raster.west = storeDouble(lesser(firstEdge, lastEdge));
    raster.columnStep = storeDouble(1.0L / extendedAbs(static_cast<extended>(calibration.a)));
    const extended topEdge = latitudeAt(-half, calibration);
    const extended bottomEdge = latitudeAt(static_cast<extended>(height) - half, calibration);
    raster.north = storeDouble(greater(topEdge, bottomEdge));
    const extended span = extendedAbs(topEdge - bottomEdge);
    // A row covers the least latitude where the latitude is largest, at one
    // end of the picture. A step below that least extent puts at least one
    // middle of an output row into every source row: none is skipped.
    const extended least = lesser(rowExtent(0, calibration), rowExtent(height - 1, calibration));
    const extended quotient = span / least;
    if (!(quotient < static_cast<extended>(largestRasterRows))) return std::nullopt;
    const extended rows = extendedTrunc(quotient) + 1.0L;
    raster.height = truncToInt32(rows);
    raster.rowStep = storeDouble(span / rows);
    raster.sourceRows.resize(static_cast<std::size_t>(raster.height));
    for (std::int32_t k = 0; k < raster.height; ++k) {
        // The middle's latitude as a reader of the stored step and corner computes it.
        const extended latitude = raster.north - (static_cast<extended>(k) + half) * raster.rowStep;
        const extended radians = latitude * extendedPi / 180.0L;
        const extended sinh = (exponential(radians) - exponential(-radians)) / 2.0L;
        const extended row = extendedNearest(sinh * calibration.c + calibration.d);
        const extended last = height - 1;
        const extended within = row < 0.0L ? extended(0.0L) : last < row ? last : row;
        raster.sourceRows[static_cast<std::size_t>(k)] = truncToInt32(within);
    }
    return raster;
}

} // namespace passnetz
