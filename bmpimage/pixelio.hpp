// The one place where the image tools touch pixels: a pixel is 3 bytes at a
// byte offset of a file, read and written as one unit.
//
// The files are mapped into memory, so that a pixel access costs a copy of
// three bytes instead of a positioning and a transfer; what the files hold at
// the end is exactly what one positioned read or write per pixel would leave:
//  - a read that would find fewer than 3 bytes before the file's end fails
//    with "Read beyond end of file";
//  - a write behind the output's current end lengthens it, and the bytes
//    between read as zero;
//  - the output's length is its length before the pass or the end of the
//    furthest write, whichever is greater, also when the run stops early.
// The output's space is reserved before it is mapped, so that a full disk
// shows as "Disk full" and never as a fault inside a mapped write.
#pragma once

#include "bytefile.hpp"
#include "platform.hpp"

#include <array>
#include <cstdint>
#include <cstring>

using Pixel = std::array<unsigned char, 3>;

class PixelInput {
public:
    explicit PixelInput(const ByteFile& file);
    ~PixelInput();
    PixelInput(const PixelInput&) = delete;
    PixelInput& operator=(const PixelInput&) = delete;

    const unsigned char* bytes() const { return bytes_; }
    std::int64_t length() const { return length_; }

private:
    const unsigned char* bytes_ = nullptr;
    std::int64_t length_ = 0;
    platform::Mapping mapping_;
};

class PixelOutput {
public:
    // Maps the open output for a pass whose writes end at most at extent.
    PixelOutput(ByteFile& file, std::int64_t extent);
    // Leaves the file at the length the writes gave it.
    ~PixelOutput();
    PixelOutput(const PixelOutput&) = delete;
    PixelOutput& operator=(const PixelOutput&) = delete;

    // Ends the pass: unmaps and sets the file's final length.
    void finish();

    unsigned char* bytes() { return bytes_; }
    std::int64_t mappedLength() const { return mappedLength_; }
    std::int64_t length() const { return length_; }
    void grewTo(std::int64_t end) {
        if (end > length_) length_ = end;
    }
    ByteFile& file() { return file_; }

private:
    void release(bool reportErrors);

    ByteFile& file_;
    platform::Mapping mapping_;
    unsigned char* bytes_ = nullptr;
    std::int64_t mappedLength_ = 0;
    std::int64_t length_ = 0;  // the file's length as the writes so far leave it
};

[[noreturn]] void failReadBeyondEnd();
Pixel readOutsideMapping(PixelOutput& output, std::int32_t offset);
void writeOutsideMapping(PixelOutput& output, std::int32_t offset, const Pixel& pixel);

inline Pixel readPixel(const PixelInput& input, std::int32_t offset) {
    if (offset < 0 || offset > input.length() - 3) failReadBeyondEnd();
    Pixel pixel;
    std::memcpy(pixel.data(), input.bytes() + offset, 3);
    return pixel;
}

inline Pixel readPixel(PixelOutput& output, std::int32_t offset) {
    if (offset < 0 || offset > output.length() - 3) failReadBeyondEnd();
    if (offset > output.mappedLength() - 3) return readOutsideMapping(output, offset);
    Pixel pixel;
    std::memcpy(pixel.data(), output.bytes() + offset, 3);
    return pixel;
}

inline void writePixel(PixelOutput& output, std::int32_t offset, const Pixel& pixel) {
    if (offset < 0 || offset > output.mappedLength() - 3) {
        writeOutsideMapping(output, offset, pixel);
        return;
    }
    std::memcpy(output.bytes() + offset, pixel.data(), 3);
    output.grewTo(static_cast<std::int64_t>(offset) + 3);
}
