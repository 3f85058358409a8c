#include "pixelio.hpp"

#include "failure.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::int64_t currentLength(const ByteFile& file) {
    struct stat info {};
    if (::fstat(file.descriptor(), &info) != 0) raiseIoFailure(errno);
    return static_cast<std::int64_t>(info.st_size);
}

} // namespace

void failReadBeyondEnd() { raiseFailure(FailureKind::ReadBeyondEnd); }

PixelInput::PixelInput(const ByteFile& file) {
    length_ = currentLength(file);
    if (length_ == 0) return;
    mappedLength_ = static_cast<std::size_t>(length_);
    void* mapped = ::mmap(nullptr, mappedLength_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.descriptor(), 0);
    if (mapped == MAP_FAILED) raiseIoFailure(errno);
    ::madvise(mapped, mappedLength_, MADV_SEQUENTIAL);
    bytes_ = static_cast<const unsigned char*>(mapped);
}

PixelInput::~PixelInput() {
    if (bytes_ != nullptr) ::munmap(const_cast<unsigned char*>(bytes_), mappedLength_);
}

PixelOutput::PixelOutput(ByteFile& file, std::int64_t extent) : file_(file) {
    length_ = currentLength(file);
    if (extent <= 0) return;
    file.fillWithZeros(extent);
    void* mapped = ::mmap(nullptr, static_cast<std::size_t>(extent), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_POPULATE, file.descriptor(), 0);
    if (mapped == MAP_FAILED) raiseIoFailure(errno);
    bytes_ = static_cast<unsigned char*>(mapped);
    mappedLength_ = extent;
}

PixelOutput::~PixelOutput() { release(false); }

void PixelOutput::finish() { release(true); }

void PixelOutput::release(bool reportErrors) {
    if (bytes_ != nullptr) {
        int unmapped = ::munmap(bytes_, static_cast<std::size_t>(mappedLength_));
        bytes_ = nullptr;
        mappedLength_ = 0;
        if (unmapped != 0 && reportErrors) raiseIoFailure(errno);
    }
    if (!file_.isOpen()) return;
    // The reservation may reach beyond what was written: give the file back
    // the length that the writes left.
    if (currentLength(file_) != length_ && ::ftruncate(file_.descriptor(), static_cast<off_t>(length_)) != 0 &&
        reportErrors) {
        raiseIoFailure(errno);
    }
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
