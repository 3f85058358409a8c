// The GeoTIFF's pixels: each output row is its source row, from blue, green,
// red to red, green, blue and alpha. Pure black reaching in from either end
// of a row is outside the map (the corners a turned scan was filled with),
// and transparent; black inside the map keeps its alpha.
#include "exportrun.hpp"

#include "bmpheader.hpp"
#include "bytefile.hpp"
#include "checked.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace passnetz {

void tiffRow(const unsigned char* bgr, std::int32_t width, bool mirrored, unsigned char* rgba) {
    const auto black = [&](std::int32_t x) { return bgr[3 * x] == 0 && bgr[3 * x + 1] == 0 && bgr[3 * x + 2] == 0; };
    std::int32_t first = 0;
    while (first < width && black(first)) ++first;
    std::int32_t end = width;
    while (end > first && black(end - 1)) --end;
    // Two plain loops, without a test per pixel, so that the compiler can vectorise them.
    const auto count = static_cast<std::size_t>(width);
    if (mirrored) {
        for (std::size_t x = 0; x < count; ++x) {
            unsigned char* to = rgba + 4 * (count - 1 - x);
            to[0] = bgr[3 * x + 2], to[1] = bgr[3 * x + 1], to[2] = bgr[3 * x], to[3] = 255;
        }
    } else {
        // Four pixels at a time: three words of blue, green, red in, four of red, green, blue, alpha out.
        std::size_t x = 0;
        for (; x + 4 <= count; x += 4) {
            std::uint32_t w[3];
            std::memcpy(w, bgr + 3 * x, sizeof w);
            const std::uint32_t out[4] = {
                ((w[0] >> 16) & 0xffu) | (w[0] & 0xff00u) | ((w[0] & 0xffu) << 16) | 0xff000000u,
                ((w[1] >> 8) & 0xffu) | ((w[1] & 0xffu) << 8) | ((w[0] >> 24) << 16) | 0xff000000u,
                (w[2] & 0xffu) | ((w[1] >> 24) << 8) | (((w[1] >> 16) & 0xffu) << 16) | 0xff000000u,
                (w[2] >> 24) | (((w[2] >> 16) & 0xffu) << 8) | (((w[2] >> 8) & 0xffu) << 16) | 0xff000000u,
            };
            std::memcpy(rgba + 4 * x, out, sizeof out);
        }
        for (; x < count; ++x) {
            unsigned char* to = rgba + 4 * x;
            to[0] = bgr[3 * x + 2], to[1] = bgr[3 * x + 1], to[2] = bgr[3 * x], to[3] = 255;
        }
    }
    for (std::int32_t x = 0; x < width; ++x) {
        if (x == first) x = end;
        if (x >= width) break;
        rgba[4 * static_cast<std::size_t>(mirrored ? width - 1 - x : x) + 3] = 0;
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

// Output rows in a band: about a megabyte, written at once.
constexpr std::size_t bandBytes = std::size_t{1} << 20;

// The rows being built: the source row read last and the band.
struct Worker {
    std::vector<unsigned char> source;
    std::vector<unsigned char> band;
    std::int32_t sourceRow = -1;
};

} // namespace

void writeTiffPixels(const ByteFile& picture, const BmpLayout& layout, const GeoRaster& raster, ByteFile& output,
                     std::uint64_t pixelsStart) {
    const std::size_t rowBytes = static_cast<std::size_t>(tiffRowBytes(raster));
    const std::size_t bandRows = std::max<std::size_t>(1, bandBytes / rowBytes);
    const std::size_t rows = raster.sourceRows.size();
    const auto bands = checkedNarrow<std::int32_t>((rows + bandRows - 1) / bandRows);
    // One thread: the kernel's reads and writes take most of the time, and
    // the page's build of the tools has no helper threads.
    Worker worker;
    worker.source.resize(3 * static_cast<std::size_t>(layout.width));
    worker.band.resize(bandRows * rowBytes);
    for (std::int32_t band = 0; band < bands; ++band) {
        const std::size_t first = static_cast<std::size_t>(band) * bandRows;
        const std::size_t count = std::min(bandRows, rows - first);
        for (std::size_t k = 0; k < count; ++k) {
            // Neighbouring output rows often show one source row: it is read and converted once a band.
            const std::int32_t sourceRow = raster.sourceRows[first + k];
            unsigned char* row = worker.band.data() + k * rowBytes;
            if (k > 0 && sourceRow == worker.sourceRow) {
                std::memcpy(row, row - rowBytes, rowBytes);
                continue;
            }
            worker.sourceRow = sourceRow;
            readSourceRow(picture, layout, sourceRow, worker.source.data());
            tiffRow(worker.source.data(), layout.width, raster.mirrored, row);
        }
        output.writeAt(static_cast<std::int64_t>(pixelsStart + first * rowBytes), worker.band.data(), count * rowBytes);
    }
}

} // namespace passnetz
