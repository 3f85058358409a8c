// The ring of source rows that slides down the picture at small turns.
#include "sourcewindow.hpp"

#include <algorithm>

namespace kippdreh {

SourceWindow::SourceWindow(const PixelInput& input, const BmpLayout& in, std::vector<RowRange> bandRows,
                           std::int32_t capacity)
    : input_(input), in_(in), bandRows_(std::move(bandRows)), capacity_(capacity),
      rowBytes_(static_cast<std::size_t>(in.rowBytes)), finished_(bandRows_.size(), 0) {
    ring_ = buffer_.reserved(static_cast<std::size_t>(capacity_) * rowBytes_);
}

// Rows are stored bottom-up and lie in the ring from its end down, so that
// neighbouring rows keep their order of the file, and a run of rows that does
// not wrap around the ring is one read.
void SourceWindow::read(std::int32_t first, std::int32_t end) {
    while (first < end) {
        const std::int32_t slotsLeft = capacity_ - first % capacity_;  // rows before the ring wraps
        const std::int32_t last = std::min(end, first + slotsLeft) - 1;
        readRows(input_, rowStart(in_, last), slot(last), rowRunBytes(in_, last - first + 1));
        first = last + 1;
    }
}

bool SourceWindow::take(std::int32_t band) {
    const std::int32_t needed = bandRows_[static_cast<std::size_t>(band)].end;
    std::unique_lock<std::mutex> lock(mutex_);
    while (readEnd_ < needed && !abandoned_) {
        // Rows above the first unfinished band's have been used by every band that needs them.
        const std::int32_t room = firstUnfinished_ < bandRows_.size()
                                      ? bandRows_[firstUnfinished_].first + capacity_
                                      : readEnd_;
        const std::int32_t end = std::min(needed, room);
        if (reading_ || end <= readEnd_) {
            changed_.wait(lock);
            continue;
        }
        reading_ = true;
        const std::int32_t first = readEnd_;
        lock.unlock();
        read(first, end);  // a failure abandons the pass before it leaves the band
        lock.lock();
        readEnd_ = end;
        reading_ = false;
        changed_.notify_all();
    }
    return !abandoned_;
}

void SourceWindow::finish(std::int32_t band) {
    const std::lock_guard<std::mutex> lock(mutex_);
    finished_[static_cast<std::size_t>(band)] = 1;
    while (firstUnfinished_ < finished_.size() && finished_[firstUnfinished_] != 0) ++firstUnfinished_;
    changed_.notify_all();
}

void SourceWindow::abandon() {
    const std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    reading_ = false;
    changed_.notify_all();
}

} // namespace kippdreh
