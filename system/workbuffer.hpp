// A working buffer of a few MiB that a pass fills at random places or reads into:
// taken in large pages where the system offers them, so that addressing it
// needs few translation entries.
#pragma once

#include <cstddef>

class WorkBuffer {
public:
    WorkBuffer() = default;
    ~WorkBuffer();
    WorkBuffer(const WorkBuffer&) = delete;
    WorkBuffer& operator=(const WorkBuffer&) = delete;

    // The first size bytes, as they are: for a caller that fills them all.
    unsigned char* reserved(std::size_t size);

private:
    unsigned char* bytes_ = nullptr;
    std::size_t capacity_ = 0;
};
