// The header read and the layout test on arbitrary files, then the pixel
// reads of the memory-mapped input against one positioned read per pixel:
// both must give the same bytes or both fail with "Read beyond end of file".
#include "bmpheader.hpp"
#include "failure.hpp"
#include "pixelio.hpp"

#include "fuzzsupport.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prepareFuzzProcess();
    return 0;
}

namespace {

std::optional<Pixel> mappedPixel(const PixelInput& input, std::int32_t offset) {
    try {
        return readPixel(input, offset);
    } catch (const RunFailure& failure) {
        if (failure.kind != FailureKind::ReadBeyondEnd) fuzzFault("a mapped read failed otherwise than at the end");
        return std::nullopt;
    }
}

std::optional<Pixel> positionedPixel(const ByteFile& file, std::int32_t offset) {
    if (offset < 0) return std::nullopt;
    try {
        Pixel pixel{};
        file.readAt(offset, pixel.data(), pixel.size());
        return pixel;
    } catch (const RunFailure& failure) {
        if (failure.kind != FailureKind::ReadBeyondEnd) fuzzFault("a positioned read failed otherwise than at the end");
        return std::nullopt;
    }
}

void comparePixelReads(const ByteFile& file, const BmpLayout& layout) {
    PixelInput input(file);
    const std::int32_t corners[][2] = {{0, 0}, {layout.width - 1, 0}, {0, layout.height - 1},
                                       {layout.width - 1, layout.height - 1}, {layout.width, 0}};
    for (const auto& corner : corners) {
        std::int32_t offset = 0;
        try {
            offset = pixelOffset(layout, corner[0], corner[1]);
        } catch (const RunFailure& failure) {
            if (failure.kind != FailureKind::IntOverflow) fuzzFault("pixelOffset failed otherwise than by overflow");
            continue;
        }
        if (mappedPixel(input, offset) != positionedPixel(file, offset)) {
            fuzzFault("mapped and positioned reads disagree");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    clearScratch();
    const std::string name = scratchDirectory() + "/h.bmp";
    writeWholeFile(name, std::string_view(reinterpret_cast<const char*>(data), size));
    ByteFile file;
    file.openForReading(name);
    BmpHeader header{};
    BmpLayout layout{};
    if (readBmpHeader(file, header, layout)) return 0;
    if (size < 54) fuzzFault("a short header was accepted");
    if (layout.dataOffset > 65535 || layout.width > 65535 || layout.height > 65535) fuzzFault("a field beyond 16 bits");
    const std::int32_t length = file.length();
    try {
        if (checkPixelLayout(header, layout, length)) return 0;
    } catch (const RunFailure& failure) {
        if (failure.kind != FailureKind::IntOverflow) fuzzFault("the layout test failed otherwise than by overflow");
        return 0;
    }
    const std::int64_t topRowStart =
        layout.dataOffset + static_cast<std::int64_t>(layout.rowBytes) * (layout.height - 1);
    if (topRowStart + 3 > length || (layout.width > 0 && layout.height < 1)) fuzzFault("the layout test passed a top row outside the file");
    if (layout.rowBytes % 4 != 0) fuzzFault("a row length that is no multiple of 4");
    comparePixelReads(file, layout);
    return 0;
}
