// The one place where the image tools touch pixels: a pixel is 3 bytes at a
// byte offset of a file, read and written as one unit; a run of neighbouring
// pixels of one row may travel as one piece.
//
// A pass that reaches pixels one at a time views the files in memory where the
// address space allows, so that a pixel access costs a copy of three bytes
// instead of a positioning and a transfer; otherwise, and for passes that move
// whole rows, pixels travel through the file itself. Either way the files end
// exactly as one positioned read or write per pixel would leave them:
//  - a read that would find fewer than 3 bytes before the file's end fails
//    with "Read beyond end of file", and so does any read once the input has
//    shrunk under the pass;
//  - a write behind the output's current end lengthens it, and the bytes
//    between read as zero;
//  - the output's length is its length before the pass or the end of the
//    furthest write, whichever is greater, also when the run stops early.
// The output's space is reserved before it is mapped, so that a full disk or
// a file-size limit shows as "Disk full" and never as a fault inside a mapped
// write.
#pragma once

#include "bytefile.hpp"
#include "filemapping.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

using Pixel = std::array<unsigned char, 3>;

class PixelInput {
public:
    // mayView false: no view is ever made, as where the address space has no room.
    explicit PixelInput(const ByteFile& file, bool mayView = true);
    PixelInput(const PixelInput&) = delete;
    PixelInput& operator=(const PixelInput&) = delete;

    std::int64_t length() const { return length_; }
    // Views the file in memory, once, where the address space allows; null
    // where it does not. Setting up a view costs more than reading the file
    // through once, so only passes that reach pixels at random ask for it.
    const unsigned char* view();
    const unsigned char* mapped() const { return mapping_.bytes(); }
    const ByteFile& file() const { return file_; }
    // Ends the run with "Read beyond end of file" when the file shrank under the pass.
    void confirmIntact() const;
    // For reads without a mapping: count bytes at offset, inside the file.
    void readThroughFile(std::int64_t offset, unsigned char* into, std::size_t count) const;

private:
    const ByteFile& file_;
    std::int64_t length_ = 0;
    FileMapping mapping_;
    bool viewTried_ = false;
    // Without a mapping, single reads come from a window of the file.
    mutable std::vector<unsigned char> window_;
    mutable std::int64_t windowStart_ = 0;
    mutable std::int64_t windowLength_ = 0;
};

// A pass that assembles whole rows in memory writes them through the file;
// others view the output.
enum class OutputAccess { Viewed, ThroughFile };

class PixelOutput {
public:
    // Reserves the open output's space for a pass whose writes end at most at
    // extent, and views it unless told otherwise.
    PixelOutput(ByteFile& file, std::int64_t extent, OutputAccess access = OutputAccess::Viewed);
    // Leaves the file at the length the writes gave it.
    ~PixelOutput();
    PixelOutput(const PixelOutput&) = delete;
    PixelOutput& operator=(const PixelOutput&) = delete;

    // Ends the run with an I/O report when another process shrank the file
    // under the pass, so that writes were lost.
    void confirmIntact() const;
    // Ends the pass: unmaps and sets the file's final length, confirming first.
    void finish();

    unsigned char* bytes() { return mapping_.bytes(); }
    std::int64_t mappedLength() const { return mapping_.length(); }
    std::int64_t length() const { return length_; }
    void grewTo(std::int64_t end) {
        if (end > length_) length_ = end;
    }
    ByteFile& file() { return file_; }

private:
    void release(bool reportErrors);

    ByteFile& file_;
    FileMapping mapping_;
    std::int64_t length_ = 0;  // the file's length as the writes so far leave it
};

[[noreturn]] void failReadBeyondEnd();
Pixel readOutsideMapping(PixelOutput& output, std::int32_t offset);
void writeOutsideMapping(PixelOutput& output, std::int32_t offset, const unsigned char* bytes, std::size_t count);

inline Pixel readPixel(const PixelInput& input, std::int32_t offset) {
    if (offset < 0 || offset > input.length() - 3) failReadBeyondEnd();
    Pixel pixel;
    if (input.mapped() != nullptr) {
        std::memcpy(pixel.data(), input.mapped() + offset, 3);
    } else {
        input.readThroughFile(offset, pixel.data(), 3);
    }
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
        writeOutsideMapping(output, offset, pixel.data(), pixel.size());
        return;
    }
    std::memcpy(output.bytes() + offset, pixel.data(), 3);
    output.grewTo(static_cast<std::int64_t>(offset) + 3);
}

// A run of count neighbouring pixels from offset on, as count single reads or
// writes from left to right would move them. A run that does not lie wholly
// inside the input fails before any byte moves, so callers use runs where the
// whole run is known to be inside.
void readPixels(const PixelInput& input, std::int32_t offset, std::int32_t count, unsigned char* into);
void writePixels(PixelOutput& output, std::int32_t offset, const unsigned char* from, std::int32_t count);

// Whole rows, fill bytes included, read through the file as one run of bytes
// at offset. Threads may read at once. A run that does not lie wholly inside
// the input fails with "Read beyond end of file".
void readRows(const PixelInput& input, std::int64_t offset, unsigned char* into, std::size_t bytes);

// Whole rows assembled in memory, fill bytes included, written through the
// file as one run inside the reserved space. Threads may write disjoint rows
// at once; the caller then reports the furthest pixel written with grewTo.
void writeRows(PixelOutput& output, std::int32_t offset, const unsigned char* rows, std::size_t bytes);
