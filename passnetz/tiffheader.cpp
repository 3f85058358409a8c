// The GeoTIFF's bytes before its pixels: a baseline TIFF of 8-bit red, green,
// blue and alpha, one row a strip, uncompressed, little-endian, and the
// GeoTIFF tags that place it: the size of a pixel in degrees, the corner's
// coordinates as a tie point, and the geographic system as GeoTIFF keys.
#include "exportrun.hpp"

#include <bit>
#include <cstring>

namespace passnetz {

namespace {

enum : std::uint16_t { typeShort = 3, typeLong = 4, typeDouble = 12 };

// One directory entry: the tag, its type and count, and the values that fit
// in the entry's four bytes or, beyond them, the bytes placed after the directory.
struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::string values;  // little-endian, of count values
};

void put16(std::string& bytes, std::uint32_t value) {
    bytes += static_cast<char>(value & 0xffu);
    bytes += static_cast<char>((value >> 8) & 0xffu);
}

void put32(std::string& bytes, std::uint32_t value) {
    put16(bytes, value & 0xffffu);
    put16(bytes, value >> 16);
}

void putDouble(std::string& bytes, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    put32(bytes, static_cast<std::uint32_t>(bits & 0xffffffffu));
    put32(bytes, static_cast<std::uint32_t>(bits >> 32));
}

Entry shorts(std::uint16_t tag, std::initializer_list<std::uint32_t> values) {
    Entry entry{tag, typeShort, static_cast<std::uint32_t>(values.size()), {}};
    for (std::uint32_t value : values) put16(entry.values, value);
    return entry;
}

Entry oneLong(std::uint16_t tag, std::uint32_t value) {
    Entry entry{tag, typeLong, 1, {}};
    put32(entry.values, value);
    return entry;
}

Entry doubles(std::uint16_t tag, std::initializer_list<double> values) {
    Entry entry{tag, typeDouble, static_cast<std::uint32_t>(values.size()), {}};
    for (double value : values) putDouble(entry.values, value);
    return entry;
}

// The GeoTIFF keys: a geographic model, pixels that are areas, and the datum's system in degrees.
Entry geoKeys(bool gps) {
    return shorts(34735, {1, 1, 0, 4,                         // version 1.1.0, four keys
                          1024, 0, 1, 2,                      // GTModelTypeGeoKey: geographic
                          1025, 0, 1, 1,                      // GTRasterTypeGeoKey: pixel is area
                          2048, 0, 1, gps ? 4326u : 4314u,    // GeographicTypeGeoKey
                          2054, 0, 1, 9102});                 // GeogAngularUnitsGeoKey: degree
}

} // namespace

std::uint64_t tiffRowBytes(const GeoRaster& raster) { return static_cast<std::uint64_t>(raster.width) * 4; }

std::string tiffHeader(const GeoRaster& raster, bool gps, std::uint64_t& pixelsStart) {
    const std::uint32_t rows = static_cast<std::uint32_t>(raster.height);
    const std::uint64_t rowBytes = tiffRowBytes(raster);
    std::vector<Entry> entries = {
        oneLong(256, static_cast<std::uint32_t>(raster.width)),
        oneLong(257, rows),
        shorts(258, {8, 8, 8, 8}),
        shorts(259, {1}),  // no compression
        shorts(262, {2}),  // RGB
        Entry{273, typeLong, rows, {}},  // the strips' offsets, filled in below
        shorts(277, {4}),
        oneLong(278, 1),   // one row a strip
        Entry{279, typeLong, rows, {}},
        shorts(284, {1}),  // the samples of a pixel together
        shorts(338, {2}),  // the fourth sample is alpha, not premultiplied
        doubles(33550, {raster.columnStep, raster.rowStep, 0.0}),
        doubles(33922, {0.0, 0.0, 0.0, raster.west, raster.north, 0.0}),
        geoKeys(gps),
    };
    for (std::uint32_t k = 0; k < rows; ++k) put32(entries[8].values, static_cast<std::uint32_t>(rowBytes));
    // Header, directory (count, entries, next directory), then the longer values, each at an even offset.
    const std::uint64_t directoryEnd = 8 + 2 + 12 * entries.size() + 4;
    std::uint64_t extra = directoryEnd;
    const auto placed = [&](const Entry& entry) {
        return entry.tag == 273 ? 4 * static_cast<std::uint64_t>(rows) : entry.values.size();
    };
    for (const Entry& entry : entries) {
        if (placed(entry) > 4) extra += (placed(entry) + 1) / 2 * 2;
    }
    pixelsStart = extra;
    for (std::uint32_t k = 0; k < rows; ++k) {
        put32(entries[5].values, static_cast<std::uint32_t>(pixelsStart + k * rowBytes));
    }
    std::string bytes = "II";
    put16(bytes, 42);
    put32(bytes, 8);
    put16(bytes, static_cast<std::uint32_t>(entries.size()));
    std::string beyond;
    for (const Entry& entry : entries) {
        put16(bytes, entry.tag);
        put16(bytes, entry.type);
        put32(bytes, entry.count);
        if (entry.values.size() <= 4) {
            bytes += entry.values + std::string(4 - entry.values.size(), '\0');
        } else {
            put32(bytes, static_cast<std::uint32_t>(directoryEnd + beyond.size()));
            beyond += entry.values;
            if (beyond.size() % 2 != 0) beyond += '\0';
        }
    }
    put32(bytes, 0);  // no further directory
    return bytes + beyond;
}

} // namespace passnetz
