// The operating system's side of files and the console. Everything above
// this layer is the same on POSIX systems and on Windows; the two
// implementations are platform_posix.cpp and platform_windows.cpp.
// Functions return 0 (or a count) on success and report failures by the
// C library's error numbers, which the failure report names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Create truncates an existing file; OpenOrCreate keeps its bytes.
enum class OpenMode { Read, Update, Create, OpenOrCreate };

// A file descriptor, or -1 with error set. Directories are refused (EISDIR),
// and so, for reading, is anything else that is not a regular file (a pipe,
// a device, a socket): it is opened without waiting and refused the same way.
int openFile(const std::string& name, OpenMode mode, int& error);
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
// Whether a view is a copy of the file in memory rather than its pages.
bool viewsCopyFiles();

bool sameFile(const std::string& first, const std::string& second);
bool isFolder(const std::string& name);
// Whether two open files are one file on disk (device and file number).
bool sameOpenFile(int first, int second);
// Gives the open file the owner (as far as this process may set it), the
// access list and otherwise the permission bits of the file called from;
// ENOENT when there is no such file.
int copyOwnerAndAccess(const std::string& from, int to);
// Writes the open file's data through to the disk.
int syncFile(int fd);

// A new, empty file in the folder of name, for reading and writing. Where the
// system can make it without a name, temporaryName is left empty; otherwise
// it is a hidden name of its own in that folder, made by an exclusive create
// that follows no link. -1 with error set.
int createTemporaryBeside(const std::string& name, std::string& temporaryName, int& error);
// The hidden name of the given attempt for a temporary beside name.
std::string hiddenNameBeside(const std::string& name, int attempt);
// A name under which another process of this user can open the open file.
std::string openFileName(int fd);
// Gives an unnamed temporary file the name hiddenName; EEXIST when it is taken.
int nameTemporary(int fd, const std::string& hiddenName);
// While set, an interrupting signal (Ctrl+C, a request to terminate, a hang-up, quit)
// first removes the file called name, then ends the process as it would have
// without it; nullptr disarms. Arming installs the handlers once. The name
// may hold several, each ended by a zero byte; all of them are removed.
void removeOnInterrupt(const std::string* name);
// Holds interrupting signals back (true) or lets them through again (false).
void holdInterrupts(bool hold);
// Calls start with interrupting signals held back in this thread, then
// restores the thread's earlier hold: a thread started by start keeps them
// held for good, so they reach only threads that can take them.
void startWithoutInterrupts(const std::function<void()>& start);
// Sleeps for about the given milliseconds.
void sleepMilliseconds(int milliseconds);
int removeFile(const std::string& name);
// Replaces to by from, in one step.
int replaceFile(const std::string& from, const std::string& to);

// Memory for a working buffer of at least size bytes (size is rounded up to
// what was taken), in large pages where the system offers them; nullptr
// when there is none.
void* allocateLargeBuffer(std::size_t& size);
void releaseLargeBuffer(void* buffer, std::size_t size);

// Standard streams: opened (closed ones lead nowhere), in binary mode; a
// broken pipe and an exceeded file-size limit show as failed writes rather
// than signals that end the process.
void prepareStandardStreams();
std::int64_t readStandardInput(void* buffer, std::size_t count, int& error);
std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error);

} // namespace platform
