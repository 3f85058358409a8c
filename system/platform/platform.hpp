// The operating system's side of files and the console. Everything above
// this layer is the same on POSIX systems and on Windows; the two
// implementations are platform_posix.cpp and platform_windows.cpp.
// Functions return 0 (or a count) on success and report failures by the
// C library's error numbers, which the failure report names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Create truncates an existing file; OpenOrCreate keeps its bytes.
enum class OpenMode { Read, Update, Create, OpenOrCreate };

// A file descriptor, or -1 with error set. Directories are refused (EISDIR).
int openFile(const std::string& name, OpenMode mode, int& error);
// A new file that must not exist yet, for reading and writing.
int createExclusive(const std::string& name, int& error);
int closeFile(int fd);

std::int64_t fileSize(int fd, int& error);  // -1 on failure
// One transfer at offset: the count moved, or -1 with error set.
std::int64_t readAt(int fd, void* buffer, std::size_t count, std::int64_t offset, int& error);
std::int64_t writeAt(int fd, const void* buffer, std::size_t count, std::int64_t offset, int& error);
// Allocates disk space up to length (the file grows to it, reading zero);
// EOPNOTSUPP where the file system cannot.
int reserve(int fd, std::int64_t from, std::int64_t length);
int truncateTo(int fd, std::int64_t length);

// A view of the first length bytes of an open file. Where the system can
// take a file's pages away while it is mapped (it shrank), the view is
// guarded: a lost page is replaced by zeros and counted (guard is its slot).
struct Mapping {
    void* address = nullptr;
    std::size_t length = 0;
    void* handle = nullptr;
    int guard = -1;
};
int mapFile(int fd, std::size_t length, bool writable, Mapping& mapping);
int unmapFile(Mapping& mapping);
bool mappingLostPages(const Mapping& mapping);

bool sameFile(const std::string& first, const std::string& second);
// Whether two open files are one file on disk (device and file number).
bool sameOpenFile(int first, int second);
// Gives the open file to the permission bits of the file called from.
int copyPermissions(const std::string& from, int to);
int removeFile(const std::string& name);
// Replaces to by from, in one step.
int replaceFile(const std::string& from, const std::string& to);

// Memory for a working buffer of at least size bytes (size is rounded up to
// what was taken), in large pages where the system offers them; nullptr
// when there is none.
void* allocateLargeBuffer(std::size_t& size);
void releaseLargeBuffer(void* buffer, std::size_t size);

int processId();

// Standard streams: opened (closed ones lead nowhere), in binary mode; a
// broken pipe and an exceeded file-size limit show as failed writes rather
// than signals that end the process.
void prepareStandardStreams();
std::int64_t readStandardInput(void* buffer, std::size_t count, int& error);
std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error);

} // namespace platform
