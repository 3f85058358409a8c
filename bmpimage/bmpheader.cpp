// The BMP header: read, tested, rewritten with a new size; the pixel layout
// that follows from it.
#include "bmpheader.hpp"

#include "checked.hpp"
#include "console.hpp"

namespace {

std::int32_t word16(const BmpHeader& header, std::size_t at) {
    return header[at] + 256 * header[at + 1];
}

void storeWord16(BmpHeader& header, std::size_t at, std::int32_t value) {
    header[at] = checkedNarrow<unsigned char>(value % 256);
    header[at + 1] = checkedNarrow<unsigned char>(value / 256);
}

} // namespace

BmpLayout layoutFor(std::int32_t dataOffset, std::int32_t width, std::int32_t height) {
    BmpLayout layout;
    layout.dataOffset = dataOffset;
    layout.width = width;
    layout.height = height;
    layout.rowPadding = width % 4;
    layout.rowBytes = checkedAdd(checkedMul(3, width), layout.rowPadding);
    return layout;
}

std::int32_t rowStart(const BmpLayout& layout, std::int32_t y) { return pixelOffset(layout, 0, y); }

std::size_t rowRunBytes(const BmpLayout& layout, std::int32_t count) {
    return static_cast<std::size_t>(count - 1) * static_cast<std::size_t>(layout.rowBytes) +
           3 * static_cast<std::size_t>(layout.width);
}

bool wholePictureInside(const BmpLayout& layout, std::int64_t fileLength) {
    if (layout.width <= 0 || layout.height <= 0) return false;
    const std::int64_t end = layout.dataOffset + 3LL * (layout.width - 1) +
                             static_cast<std::int64_t>(layout.rowBytes) * (layout.height - 1) + 3;
    return end <= fileLength && end <= INT32_MAX;
}

StepMessage readBmpHeader(const ByteFile& input, BmpHeader& header, BmpLayout& layout) {
    int error = 0;
    std::int64_t got = input.tryReadAt(0, header.data(), header.size(), error);
    if (got < 0) return "ReadFileError:Header";
    if (got < static_cast<std::int64_t>(header.size())) return "unbekanntes Format";
    layout = BmpLayout{};
    layout.dataOffset = word16(header, 10);
    layout.width = word16(header, 18);
    layout.height = word16(header, 22);
    if (word16(header, 50) != 0) return "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)";
    return std::nullopt;
}

StepMessage checkPixelLayout(const BmpHeader& header, BmpLayout& layout, std::int32_t inputLength) {
    // Other pixel formats would pass the length test and come out scrambled.
    const std::uint32_t compression = static_cast<std::uint32_t>(word16(header, 30)) |
                                      static_cast<std::uint32_t>(word16(header, 32)) << 16;
    if (word16(header, 28) != 24 || compression != 0) return "unbekanntes Format (nur 24 Bit erlaubt!)";
    layout = layoutFor(layout.dataOffset, layout.width, layout.height);
    std::int32_t topRowStart = pixelOffset(layout, 0, 0);
    if (topRowStart < layout.dataOffset ||
        static_cast<std::int64_t>(topRowStart) > static_cast<std::int64_t>(inputLength) - 3) {
        return "unbekanntes Format (nur 24 Bit erlaubt!)";
    }
    return std::nullopt;
}

void storeImageSize(BmpHeader& header, std::int32_t width, std::int32_t height) {
    // Both values are tested before either byte changes.
    checkedNarrow<std::uint16_t>(width);
    checkedNarrow<std::uint16_t>(height);
    storeWord16(header, 18, width);
    storeWord16(header, 22, height);
}

StepMessage writeBmpHeader(ByteFile& output, const BmpHeader& header) {
    int error = 0;
    if (!output.tryWriteAt(0, header.data(), header.size(), error)) return "WriteFileError:Header";
    return std::nullopt;
}
