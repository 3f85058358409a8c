// Guarded views of files: a view whose pages another process cut away reads
// zeros and says so, and the pass that holds it stops with the report.
#include "filemapping.hpp"

#include "platform.hpp"

#include <cstddef>

FileMapping::~FileMapping() { unmap(); }

int FileMapping::map(const ByteFile& file, std::int64_t length, bool writable) {
    unmap();
    if (length <= 0) return 0;
    platform::Mapping mapping;
    if (int error = platform::mapFile(file.descriptor(), static_cast<std::size_t>(length), writable, mapping)) {
        return error;
    }
    bytes_ = static_cast<unsigned char*>(mapping.address);
    length_ = length;
    handle_ = mapping.handle;
    guard_ = mapping.guard;
    return 0;
}

int FileMapping::unmap() {
    if (bytes_ == nullptr) return 0;
    platform::Mapping mapping{bytes_, static_cast<std::size_t>(length_), handle_, guard_};
    bytes_ = nullptr;
    length_ = 0;
    handle_ = nullptr;
    guard_ = -1;
    return platform::unmapFile(mapping);
}

bool FileMapping::lostPages() const {
    if (bytes_ == nullptr) return false;
    return platform::mappingLostPages(platform::Mapping{bytes_, static_cast<std::size_t>(length_), handle_, guard_});
}

bool FileMapping::copiesTheFile() { return platform::viewsCopyFiles(); }
