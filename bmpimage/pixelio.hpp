// The one place where the image tools touch pixels: a pixel is 3 bytes at a
// byte offset of an open file. Writing past the end lengthens the file.
#pragma once

#include "bytefile.hpp"

#include <array>
#include <cstdint>

using Pixel = std::array<unsigned char, 3>;

// "Read beyond end of file" when fewer than 3 bytes are there.
Pixel readPixel(const ByteFile& file, std::int32_t offset);
void writePixel(ByteFile& file, std::int32_t offset, const Pixel& pixel);
