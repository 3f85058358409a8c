// Source rows read through the file into a ring of rows that moves down the
// picture as the bands of output rows are built. At a small turn each band
// takes its pixels from a range of source rows that lies no higher than the
// ranges of the bands before it, so the rows above the first unfinished
// band's range can give their room to rows further down. Reading the input
// once, in runs of rows, costs less here than viewing it.
#pragma once

#include "bmpheader.hpp"
#include "pixelio.hpp"
#include "rowrange.hpp"
#include "workbuffer.hpp"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kippdreh {

class SourceWindow {
public:
    // For bands whose source rows are given, in the order the bands are
    // taken, with room for capacity rows (at least the largest band's).
    SourceWindow(const PixelInput& input, const BmpLayout& in, std::vector<RowRange> bandRows, std::int32_t capacity);

    // Waits until the band's rows are in the ring, reading them in the
    // calling thread where no other thread does; false, at once, after a
    // band was abandoned: then the pass is ending with a failure. Bands must
    // be taken in increasing order, as the band engine begins them.
    bool take(std::int32_t band);
    // The band is built: its rows may give their room.
    void finish(std::int32_t band);
    // A band failed: no band waits for rows any more.
    void abandon();
    // Where source row y, taken for a band, starts.
    const unsigned char* row(std::int32_t y) const {
        const std::int32_t slot = capacity_ - 1 - y % capacity_;
        return ring_ + static_cast<std::size_t>(slot) * rowBytes_;
    }

private:
    void read(std::int32_t first, std::int32_t end);
    unsigned char* slot(std::int32_t y) { return const_cast<unsigned char*>(row(y)); }

    const PixelInput& input_;
    const BmpLayout& in_;
    std::vector<RowRange> bandRows_;
    std::int32_t capacity_;
    std::size_t rowBytes_;
    WorkBuffer buffer_;
    unsigned char* ring_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<char> finished_;
    std::size_t firstUnfinished_ = 0;
    std::int32_t readEnd_ = 0;  // rows 0 ... readEnd_ - 1 have been read
    bool reading_ = false;
    bool abandoned_ = false;
};

} // namespace kippdreh
