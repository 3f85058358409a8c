// A view of the first bytes of an open file in memory.
//
// When another process shrinks the file under the view, the pages past its
// new end are lost: instead of ending the process with a bus error, each such
// page is replaced by zeros (writes to it go nowhere) and the view remembers
// the loss, so that the pass that uses it can stop with a report.
#pragma once

#include "bytefile.hpp"

#include <cstdint>

class FileMapping {
public:
    FileMapping() = default;
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // Maps the first length bytes of file; 0, or the platform's error number
    // with the view left empty (no address space, a file that cannot be mapped).
    int map(const ByteFile& file, std::int64_t length, bool writable);
    // 0 or the platform's error number.
    int unmap();

    unsigned char* bytes() const { return bytes_; }
    std::int64_t length() const { return length_; }
    // Whether a page of the view was lost because the file shrank.
    bool lostPages() const;
    // Whether a view here is a copy of the file in memory, not its pages (the
    // page's build), so that a pass that can work without one weighs less.
    static bool copiesTheFile();

private:
    unsigned char* bytes_ = nullptr;
    std::int64_t length_ = 0;
    void* handle_ = nullptr;
    int guard_ = -1;
};
