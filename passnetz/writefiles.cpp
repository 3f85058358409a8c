// The exports reach their names together or not at all: the GeoTIFF, the VRT
// and the points file are each written to a temporary beside its target and
// set aside (the texts flushed to the disk, the GeoTIFF, like the image
// tools' pictures, checked for its length); only when all three are complete do
// they take their places, one rename after the other with interrupts held
// back (the shared mechanism of temporaryfile.hpp, which removes every
// temporary on the way out). Should a rename fail, the console says which
// files are new and which are still the earlier ones. An earlier export
// keeps its owner and access; the inputs are never among the targets.
#include "exportrun.hpp"

#include "console.hpp"
#include "failure.hpp"
#include "temporaryfile.hpp"

#include <cerrno>
#include <limits>

namespace passnetz {

namespace {

bool cannotWrite(const std::string& target) {
    consoleLine(target + ": kann nicht geschrieben werden." + bell);
    waitForReturn();
    return false;
}

std::string listed(const std::vector<const std::string*>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : ", ") + *names[i];
    return text;
}

} // namespace

bool writeExports(ExportRun& run) {
    const std::optional<GeoRaster> raster = geoRasterFor(run.width, run.height, run.calibration);
    std::uint64_t pixelsStart = 0;
    const std::string header = raster ? tiffHeader(*raster, run.calibration.gps, pixelsStart) : std::string();
    // A TIFF's offsets have 32 bits.
    const std::uint64_t tiffLength = raster ? pixelsStart + tiffRowBytes(*raster) * raster->sourceRows.size() : 0;
    if (!raster || tiffLength > std::numeric_limits<std::uint32_t>::max()) {
        consoleLine(run.tiffName + ": das Bild ist zu gross fuer ein GeoTIFF (hoechstens 4 GB)." + bell);
        waitForReturn();
        return false;
    }
    consoleLine(run.tiffName + ": " + integerText(raster->width) + " x " + integerText(raster->height) +
                " Pixel, Zeilen in gleichen Schritten der Breite, keine Bildzeile ausgelassen.");
    ByteFile tiff;
    if (createTemporaryLike(tiff, run.tiffName) != 0) return cannotWrite(run.tiffName);
    // The space reserved first: a full disk shows before any pixel is written,
    // and writes into reserved space cost the file system less than growing it.
    tiff.fillWithZeros(static_cast<std::int64_t>(tiffLength));
    tiff.writeAt(0, header.data(), header.size());
    writeTiffPixels(run.picture, run.layout, *raster, tiff, pixelsStart);
    run.picture.close();
    // Cut (or lengthened) by another process meanwhile: it is not what was written.
    if (tiff.size() != static_cast<std::int64_t>(tiffLength)) raiseIoFailure(EIO);
    setTemporaryAside(tiff, run.tiffName);
    if (setTextAside(run.vrtName, vrtText(run)) != 0) return cannotWrite(run.vrtName);
    if (setTextAside(run.pointsName, pointsText(run)) != 0) return cannotWrite(run.pointsName);
    int error = 0;
    const std::size_t placed = putSetAsideInPlace(error);
    if (error == 0) return true;
    const std::vector<const std::string*> targets = {&run.tiffName, &run.vrtName, &run.pointsName};
    const std::vector<const std::string*> done(targets.begin(), targets.begin() + static_cast<std::ptrdiff_t>(placed));
    const std::vector<const std::string*> earlier(targets.begin() + static_cast<std::ptrdiff_t>(placed), targets.end());
    if (!done.empty()) consoleLine("Neu geschrieben: " + listed(done) + ".");
    consoleLine("Wie vor dem Lauf (die frueheren oder keine): " + listed(earlier) + ".");
    raiseIoFailure(error);
}

} // namespace passnetz
