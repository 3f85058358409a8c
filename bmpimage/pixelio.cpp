#include "pixelio.hpp"

#include "failure.hpp"
#include "platform.hpp"

#include <cerrno>

void failReadBeyondEnd() { raiseFailure(FailureKind::ReadBeyondEnd); }

PixelInput::PixelInput(const ByteFile& file) {
    length_ = file.size();
    if (length_ == 0) return;
    if (int error = platform::mapFile(file.descriptor(), static_cast<std::size_t>(length_), false, mapping_)) {
        raiseIoFailure(error);
    }
    bytes_ = static_cast<const unsigned char*>(mapping_.address);
}

PixelInput::~PixelInput() { platform::unmapFile(mapping_); }

PixelOutput::PixelOutput(ByteFile& file, std::int64_t extent) : file_(file) {
    length_ = file.size();
    if (extent <= 0) return;
    file.fillWithZeros(extent);
    if (int error = platform::mapFile(file.descriptor(), static_cast<std::size_t>(extent), true, mapping_)) {
        raiseIoFailure(error);
    }
    bytes_ = static_cast<unsigned char*>(mapping_.address);
    mappedLength_ = extent;
}

PixelOutput::~PixelOutput() { release(false); }

void PixelOutput::finish() { release(true); }

void PixelOutput::release(bool reportErrors) {
    bytes_ = nullptr;
    mappedLength_ = 0;
    int unmapped = platform::unmapFile(mapping_);
    if (unmapped != 0 && reportErrors) raiseIoFailure(unmapped);
    if (!file_.isOpen()) return;
    // The reservation may reach beyond what was written: give the file back
    // the length that the writes left.
    int error = 0;
    if (platform::fileSize(file_.descriptor(), error) == length_) return;
    int truncated = platform::truncateTo(file_.descriptor(), length_);
    if (truncated != 0 && reportErrors) raiseIoFailure(truncated);
}

Pixel readOutsideMapping(PixelOutput& output, std::int32_t offset) {
    Pixel pixel{};
    output.file().readAt(offset, pixel.data(), pixel.size());
    return pixel;
}

void writeOutsideMapping(PixelOutput& output, std::int32_t offset, const Pixel& pixel) {
    if (offset < 0) raiseIoFailure(EINVAL);
    output.file().writeAt(offset, pixel.data(), pixel.size());
    output.grewTo(static_cast<std::int64_t>(offset) + 3);
}
