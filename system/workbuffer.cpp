// Working buffers in large pages where the system has them.
#include "workbuffer.hpp"

#include "platform.hpp"

#include <new>

WorkBuffer::~WorkBuffer() { platform::releaseLargeBuffer(bytes_, capacity_); }

unsigned char* WorkBuffer::reserved(std::size_t size) {
    if (size > capacity_) {
        platform::releaseLargeBuffer(bytes_, capacity_);
        bytes_ = nullptr;
        capacity_ = 0;
        std::size_t capacity = size;
        void* bytes = platform::allocateLargeBuffer(capacity);
        if (bytes == nullptr) throw std::bad_alloc();
        bytes_ = static_cast<unsigned char*>(bytes);
        capacity_ = capacity;
    }
    return bytes_;
}
