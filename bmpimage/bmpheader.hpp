// The 24-bit BMP container: the 54-byte header, the four 16-bit values the
// tools decode from it, its tests and messages, and the pixel layout.
//
// Only bytes 10-11 (pixel data offset), 18-19 (width), 22-23 (height) and
// 50-51 (colour count) are read; every other byte passes through unchanged.
// Rows are stored bottom-up, 3 bytes a pixel (blue, green, red), each row
// filled up to a multiple of 4 bytes.
#pragma once

#include "bytefile.hpp"
#include "checked.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

using BmpHeader = std::array<unsigned char, 54>;

struct BmpLayout {
    std::int32_t dataOffset = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowPadding = 0;
    std::int32_t rowBytes = 0;
};

// The layout of a picture of the given size whose pixel data starts at dataOffset.
BmpLayout layoutFor(std::int32_t dataOffset, std::int32_t width, std::int32_t height);

// Offset of column x, row y (0 = top row), overflow-checked. Inline: the
// passes form one or more per pixel.
inline std::int32_t pixelOffset(const BmpLayout& layout, std::int32_t x, std::int32_t y) {
    std::int32_t rowFromBottom = checkedSub(checkedSub(layout.height, 1), y);
    return checkedAdd(checkedAdd(layout.dataOffset, checkedMul(3, x)), checkedMul(layout.rowBytes, rowFromBottom));
}
// Offset of the first pixel of row y.
std::int32_t rowStart(const BmpLayout& layout, std::int32_t y);

// The bytes of count rows stored one after another, from the first one's
// start to the last one's last pixel. The fill after that pixel is left out:
// a file may end inside the top row's fill. For rows inside the picture.
std::size_t rowRunBytes(const BmpLayout& layout, std::int32_t count);

// Whether every pixel of the picture lies wholly inside a file of fileLength
// bytes, at offsets below 2^31: then no pixel read can fail and no pixel
// offset can overflow.
bool wholePictureInside(const BmpLayout& layout, std::int64_t fileLength);

// The step messages; nullopt is success.
using StepMessage = std::optional<std::string_view>;

// Reads the header from the start of input and decodes the layout's
// dataOffset, width and height.
StepMessage readBmpHeader(const ByteFile& input, BmpHeader& header, BmpLayout& layout);

// Tests that the pixels are 24-bit and uncompressed (bytes 28-29 and 30-33),
// completes the layout (row padding and length) and tests that the first
// pixel of the top row lies wholly inside a file of inputLength bytes.
StepMessage checkPixelLayout(const BmpHeader& header, BmpLayout& layout, std::int32_t inputLength);

// Writes a new width and height into bytes 18-19 and 22-23.
void storeImageSize(BmpHeader& header, std::int32_t width, std::int32_t height);

StepMessage writeBmpHeader(ByteFile& output, const BmpHeader& header);

