#include "bmpwriter.hpp"

namespace {

void put16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    put16(bytes, at, value & 0xFFFF);
    put16(bytes, at + 2, value >> 16);
}

} // namespace

std::string makeBmp(const PixelRows& rows, const BmpOptions& options) {
    std::size_t height = rows.size();
    std::size_t width = height == 0 ? 0 : rows[0].size();
    std::size_t rowBytes = (3 * width + 3) / 4 * 4;
    std::size_t dataOffset = static_cast<std::size_t>(options.dataOffset);
    std::string bytes(dataOffset + rowBytes * height, '\0');
    if (bytes.size() < 54) bytes.resize(54, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    put32(bytes, 10, static_cast<std::uint32_t>(dataOffset));
    put32(bytes, 14, 40);
    put32(bytes, 18, static_cast<std::uint32_t>(width));
    put32(bytes, 22, static_cast<std::uint32_t>(height));
    put16(bytes, 26, 1);
    put16(bytes, 28, 24);
    put32(bytes, 34, static_cast<std::uint32_t>(rowBytes * height));
    put32(bytes, 38, 2835);
    put32(bytes, 42, 2835);
    put32(bytes, 50, options.colourCount);
    for (std::size_t y = 0; y < height; ++y) {
        std::size_t rowStart = dataOffset + rowBytes * (height - 1 - y);
        for (std::size_t x = 0; x < width; ++x) {
            for (std::size_t c = 0; c < 3; ++c) {
                bytes[rowStart + 3 * x + c] = static_cast<char>(rows[y][x][c]);
            }
        }
        for (std::size_t p = 3 * width; p < rowBytes; ++p) {
            bytes[rowStart + p] = static_cast<char>(options.paddingByte);
        }
    }
    if (options.truncateTo >= 0) bytes.resize(static_cast<std::size_t>(options.truncateTo));
    return bytes;
}

PixelRows patternPicture(int width, int height) {
    PixelRows rows(static_cast<std::size_t>(height), std::vector<Bgr>(static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = {
                static_cast<unsigned char>(x * 7 + 1), static_cast<unsigned char>(y * 13 + 2),
                static_cast<unsigned char>((x + 3 * y) % 251 + 1)};
        }
    }
    return rows;
}

PixelRows filledPicture(int width, int height, Bgr colour) {
    return PixelRows(static_cast<std::size_t>(height),
                     std::vector<Bgr>(static_cast<std::size_t>(width), colour));
}

std::uint16_t littleEndian16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

std::uint32_t littleEndian32(const std::string& bytes, std::size_t at) {
    return littleEndian16(bytes, at) | (static_cast<std::uint32_t>(littleEndian16(bytes, at + 2)) << 16);
}

PixelRows readPixels(const std::string& bmp) {
    std::size_t dataOffset = littleEndian16(bmp, 10);
    std::size_t width = littleEndian16(bmp, 18);
    std::size_t height = littleEndian16(bmp, 22);
    std::size_t rowBytes = (3 * width + 3) / 4 * 4;
    PixelRows rows(height, std::vector<Bgr>(width));
    for (std::size_t y = 0; y < height; ++y) {
        std::size_t rowStart = dataOffset + rowBytes * (height - 1 - y);
        for (std::size_t x = 0; x < width; ++x) {
            for (std::size_t c = 0; c < 3; ++c) {
                std::size_t at = rowStart + 3 * x + c;
                rows[y][x][c] = at < bmp.size() ? static_cast<unsigned char>(bmp[at]) : 0;
            }
        }
    }
    return rows;
}
