// Pixels read and written through a view or through the file, with the
// lengths and failures that one positioned access per pixel would give.
#include "pixelio.hpp"

#include "checked.hpp"
#include "failure.hpp"

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::int64_t readWindowBytes = 1 << 20;

} // namespace

void failReadBeyondEnd() { raiseFailure(FailureKind::ReadBeyondEnd); }

PixelInput::PixelInput(const ByteFile& file, bool mayView)
    : file_(file), length_(file.size()), viewTried_(!mayView) {}

const unsigned char* PixelInput::view() {
    // Without address space for a view, the pass reads through the file.
    if (!viewTried_) mapping_.map(file_, length_, false);
    viewTried_ = true;
    return mapping_.bytes();
}

void PixelInput::confirmIntact() const {
    if (mapping_.lostPages()) failReadBeyondEnd();
}

void PixelInput::readThroughFile(std::int64_t offset, unsigned char* into, std::size_t count) const {
    const auto end = offset + static_cast<std::int64_t>(count);
    if (offset < windowStart_ || end > windowStart_ + windowLength_) {
        if (static_cast<std::int64_t>(count) > readWindowBytes) {
            file_.readAt(offset, into, count);
            return;
        }
        window_.resize(readWindowBytes);
        windowStart_ = offset;
        windowLength_ = std::min(readWindowBytes, length_ - offset);
        file_.readAt(offset, window_.data(), static_cast<std::size_t>(windowLength_));
    }
    std::memcpy(into, window_.data() + (offset - windowStart_), count);
}

PixelOutput::PixelOutput(ByteFile& file, std::int64_t extent, OutputAccess access) : file_(file) {
    // The length the earlier writes left (the pre-fill's), not what the file
    // shows now: a cut by another process must not become the output's length.
    length_ = file.settledLength() >= 0 ? file.settledLength() : file.size();
    if (extent <= 0) return;
    file.fillWithZeros(extent);
    // Without address space for a view, every write goes to the file.
    if (access == OutputAccess::Viewed) mapping_.map(file, extent, true);
}

PixelOutput::~PixelOutput() { release(false); }

void PixelOutput::confirmIntact() const {
    // Shorter than the writes left it: another process cut it, and what was
    // written behind the cut is gone, whether viewed or written through the file.
    if (mapping_.lostPages() || file_.size() < length_) raiseIoFailure(EIO);
}

void PixelOutput::finish() { release(true); }

void PixelOutput::release(bool reportErrors) {
    // Called from the destructor too, where nothing may be raised: then
    // failures are left for the run's own checks (publishOutput) to find.
    const bool lost = mapping_.lostPages();
    int unmapped = mapping_.unmap();
    if (reportErrors && lost) raiseIoFailure(EIO);
    if (unmapped != 0 && reportErrors) raiseIoFailure(unmapped);
    if (!file_.isOpen()) return;
    int error = 0;
    const std::int64_t size = file_.trySize(error);
    if (size < 0) {
        if (reportErrors) raiseIoFailure(error);
        return;
    }
    // Shorter than the writes left it: what they put behind the cut is gone.
    if (size < length_ && reportErrors) raiseIoFailure(EIO);
    // The reservation may reach beyond what was written: give the file back
    // the length that the writes left.
    if (size != length_) {
        int truncated = file_.tryTruncate(length_);
        if (truncated != 0 && reportErrors) raiseIoFailure(truncated);
    }
    if (reportErrors) file_.settleLength(length_);
}

Pixel readOutsideMapping(PixelOutput& output, std::int32_t offset) {
    Pixel pixel{};
    output.file().readAt(offset, pixel.data(), pixel.size());
    return pixel;
}

void writeOutsideMapping(PixelOutput& output, std::int32_t offset, const unsigned char* bytes, std::size_t count) {
    if (offset < 0) raiseIoFailure(EINVAL);
    output.file().writeAt(offset, bytes, count);
    output.grewTo(static_cast<std::int64_t>(offset) + static_cast<std::int64_t>(count));
}

void readPixels(const PixelInput& input, std::int32_t offset, std::int32_t count, unsigned char* into) {
    const std::int64_t bytes = 3LL * count;
    if (offset < 0 || count < 0 || offset > input.length() - bytes) failReadBeyondEnd();
    if (input.mapped() != nullptr) {
        std::memcpy(into, input.mapped() + offset, static_cast<std::size_t>(bytes));
    } else {
        input.readThroughFile(offset, into, static_cast<std::size_t>(bytes));
    }
}

void readRows(const PixelInput& input, std::int64_t offset, unsigned char* into, std::size_t bytes) {
    if (offset < 0 || offset > input.length() - static_cast<std::int64_t>(bytes)) failReadBeyondEnd();
    input.file().readAt(offset, into, bytes);
}

void writePixels(PixelOutput& output, std::int32_t offset, const unsigned char* from, std::int32_t count) {
    const std::int64_t bytes = 3LL * count;
    if (offset < 0 || count < 0 || offset > output.mappedLength() - bytes) {
        writeOutsideMapping(output, offset, from, static_cast<std::size_t>(bytes));
        return;
    }
    std::memcpy(output.bytes() + offset, from, static_cast<std::size_t>(bytes));
    output.grewTo(offset + bytes);
}

void writeRows(PixelOutput& output, std::int32_t offset, const unsigned char* rows, std::size_t bytes) {
    if (offset < 0) raiseIoFailure(EINVAL);
    output.file().writeAt(offset, rows, bytes);
}
