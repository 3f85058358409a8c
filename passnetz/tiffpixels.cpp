// The GeoTIFF's pixels: each output row is its source row, from blue, green,
// red to red, green, blue and alpha. Pure black reaching in from either end
// of a row is outside the map (the corners a turned scan was filled with),
// and transparent; black inside the map keeps its alpha.
#include "exportrun.hpp"

#include "bmpheader.hpp"
#include "bytefile.hpp"

#include <cstring>

namespace passnetz {

void tiffRow(const unsigned char* bgr, std::int32_t width, bool mirrored, unsigned char* rgba) {
    const auto black = [&](std::int32_t x) { return bgr[3 * x] == 0 && bgr[3 * x + 1] == 0 && bgr[3 * x + 2] == 0; };
    std::int32_t first = 0;
    while (first < width && black(first)) ++first;
    std::int32_t end = width;
    while (end > first && black(end - 1)) --end;
    for (std::int32_t x = 0; x < width; ++x) {
        unsigned char* to = rgba + 4 * static_cast<std::size_t>(mirrored ? width - 1 - x : x);
        const unsigned char* from = bgr + 3 * static_cast<std::size_t>(x);
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = x >= first && x < end ? 255 : 0;
    }
}

namespace {

// A source row as the file holds it; what lies past the file's end is black.
void readSourceRow(const ByteFile& picture, const BmpLayout& layout, std::int32_t row, unsigned char* into) {
    const std::size_t bytes = 3 * static_cast<std::size_t>(layout.width);
    const std::int64_t offset = static_cast<std::int64_t>(layout.dataOffset) +
                                static_cast<std::int64_t>(layout.rowBytes) * (layout.height - 1 - row);
    std::size_t got = 0;
    while (got < bytes) {
        int error = 0;
        const std::int64_t count = picture.tryReadAt(offset + static_cast<std::int64_t>(got), into + got, bytes - got, error);
        if (count < 0) raiseIoFailure(error);
        if (count == 0) break;
        got += static_cast<std::size_t>(count);
    }
    std::memset(into + got, 0, bytes - got);
}

// Output rows gathered up to about this many bytes before one write.
constexpr std::size_t batchBytes = std::size_t{1} << 20;

} // namespace

void writeTiffPixels(const ByteFile& picture, const BmpLayout& layout, const GeoRaster& raster, ByteFile& output,
                     std::uint64_t pixelsStart) {
    const std::size_t rowBytes = static_cast<std::size_t>(tiffRowBytes(raster));
    const std::size_t batchRows = std::max<std::size_t>(1, batchBytes / rowBytes);
    std::vector<unsigned char> source(3 * static_cast<std::size_t>(layout.width));
    std::vector<unsigned char> batch(batchRows * rowBytes);
    std::int32_t sourceRow = -1;
    std::vector<unsigned char> converted(rowBytes);
    std::uint64_t offset = pixelsStart;
    for (std::size_t k = 0; k < raster.sourceRows.size();) {
        std::size_t filled = 0;
        for (; filled < batchRows && k < raster.sourceRows.size(); ++filled, ++k) {
            // Neighbouring output rows often show one source row: it is read and converted once.
            if (raster.sourceRows[k] != sourceRow) {
                sourceRow = raster.sourceRows[k];
                readSourceRow(picture, layout, sourceRow, source.data());
                tiffRow(source.data(), layout.width, raster.mirrored, converted.data());
            }
            std::memcpy(batch.data() + filled * rowBytes, converted.data(), rowBytes);
        }
        output.writeAt(static_cast<std::int64_t>(offset), batch.data(), filled * rowBytes);
        offset += filled * rowBytes;
    }
}

} // namespace passnetz
