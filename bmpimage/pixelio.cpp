#include "pixelio.hpp"

Pixel readPixel(const ByteFile& file, std::int32_t offset) {
    Pixel pixel{};
    file.readAt(offset, pixel.data(), pixel.size());
    return pixel;
}

void writePixel(ByteFile& file, std::int32_t offset, const Pixel& pixel) {
    file.writeAt(offset, pixel.data(), pixel.size());
}
