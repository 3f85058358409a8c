// Test pictures: a tiny 24-bit BMP writer. Pixels are given top row first,
// each as {blue, green, red} in file order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Bgr = std::array<unsigned char, 3>;
using PixelRows = std::vector<std::vector<Bgr>>;  // [row from top][column]

struct BmpOptions {
    std::int32_t dataOffset = 54;
    std::uint32_t colourCount = 0;   // bytes 50-53
    unsigned char paddingByte = 0;   // what the writer puts into row padding
    std::int64_t truncateTo = -1;    // cut the file to this length (-1: keep)
};

// A whole BMP file as bytes. bfSize and biSizeImage hold the true sizes.
std::string makeBmp(const PixelRows& rows, const BmpOptions& options = {});

// A width x height picture whose pixel at (x, y) is a colour that tells x and y apart.
PixelRows patternPicture(int width, int height);

// A width x height picture filled with one colour.
PixelRows filledPicture(int width, int height, Bgr colour);

// Decodes the pixels of a BMP file (bottom-up rows, dataOffset from bytes 10-11,
// width and height from bytes 18-19 and 22-23) into rows from the top.
PixelRows readPixels(const std::string& bmp);

std::uint32_t littleEndian32(const std::string& bytes, std::size_t at);
std::uint16_t littleEndian16(const std::string& bytes, std::size_t at);
