// The page's half of the platform layer (WebAssembly, files in the memory
// file system, a chosen file read through WORKERFS or, under node, the
// host's through NODEFS): the same calls on Emscripten's POSIX layer, but
// one process with one thread and nothing that interrupts it, so there are
// no signal handlers and no held signals; no mappings (a view of an input is
// a copy of it in memory, an output always goes through the file); a
// temporary always has a hidden name of its own, since there is no unnamed
// file and no /proc.
#include "platform.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "faultseam.hpp"

namespace platform {

int openFile(const std::string& name, OpenMode mode, int& error) {
    const int flags = mode == OpenMode::Read     ? O_RDONLY
                      : mode == OpenMode::Update ? O_RDWR
                      : mode == OpenMode::Create ? O_RDWR | O_CREAT | O_TRUNC
                                                 : O_RDWR | O_CREAT;
    const int fd = ::open(name.c_str(), flags, 0666);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && (S_ISDIR(info.st_mode) || (mode == OpenMode::Read && !S_ISREG(info.st_mode)))) {
        ::close(fd);
        error = EISDIR;
        return -1;
    }
    return fd;
}

int closeFile(int fd) {
    if (int fault = injectedFault(FaultCall::Close)) {
        ::close(fd);
        return fault;
    }
    return ::close(fd) == 0 ? 0 : errno;
}

std::int64_t readAt(int fd, void* buffer, std::size_t count, std::int64_t offset, int& error) {
    const ssize_t got = ::pread(fd, buffer, count, static_cast<off_t>(offset));
    if (got >= 0) return got;
    error = errno;
    return -1;
}

std::int64_t writeAt(int fd, const void* buffer, std::size_t count, std::int64_t offset, int& error) {
    const ssize_t put = ::pwrite(fd, buffer, count, static_cast<off_t>(offset));
    if (put >= 0) return put;
    error = errno;
    return -1;
}

// The memory file system has no space to reserve, but lengthening the file
// in one step gives it its zeros in one allocation; written a piece at a
// time, it would be copied into a slightly larger array for every piece.
int reserve(int fd, std::int64_t, std::int64_t length) {
    return ::ftruncate(fd, static_cast<off_t>(length)) == 0 ? 0 : errno;
}

// A pass that reaches the input's pixels at random gets a copy of the file:
// single pixels read through the file would each cross into the file
// system's JavaScript. Nothing else writes the file during the run, so the
// copy stays what the file holds. Outputs are never viewed.
int mapFile(int fd, std::size_t length, bool writable, Mapping& mapping) {
    if (writable) return ENODEV;
    auto* copy = static_cast<unsigned char*>(std::malloc(length));
    if (copy == nullptr) return ENOMEM;
    // in pieces: a file read from a Blob arrives as an array of its own
    // before it is copied in, which for the whole picture would hold it twice
    constexpr std::size_t piece = std::size_t{16} << 20;
    for (std::size_t done = 0; done < length;) {
        const std::size_t want = length - done < piece ? length - done : piece;
        const ssize_t got = ::pread(fd, copy + done, want, static_cast<off_t>(done));
        if (got <= 0) {
            const int error = got < 0 ? errno : EIO;
            std::free(copy);
            return error;
        }
        done += static_cast<std::size_t>(got);
    }
    mapping.address = copy;
    mapping.length = length;
    return 0;
}

int unmapFile(Mapping& mapping) {
    std::free(mapping.address);
    mapping = Mapping{};
    return 0;
}

bool mappingLostPages(const Mapping&) { return false; }

bool viewsCopyFiles() { return true; }

// One user: the permission bits are all there is to keep.
int copyOwnerAndAccess(const std::string& from, int to) {
    struct stat info {};
    if (::stat(from.c_str(), &info) != 0) return errno;
    return ::fchmod(to, info.st_mode & 07777) == 0 ? 0 : errno;
}

int syncFile(int fd) { return ::fsync(fd) == 0 ? 0 : errno; }

std::string hiddenNameBeside(const std::string& name, int attempt) {
    const std::size_t slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    return folder + "." + name.substr(folder.size()) + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

std::string openFileName(int) { return std::string(); }

int createTemporaryBeside(const std::string& name, std::string& temporaryName, int& error) {
    temporaryName.clear();
    if (int fault = injectedFault(FaultCall::Temporary)) {
        error = fault;
        return -1;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string hidden = hiddenNameBeside(name, attempt);
        const int named = ::open(hidden.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
        if (named >= 0) {
            temporaryName = hidden;
            return named;
        }
        if (errno != EEXIST) break;
    }
    error = errno;
    return -1;
}

// Every temporary here has its name from the start.
int nameTemporary(int, const std::string&) { return EEXIST; }

void removeOnInterrupt(const std::string*) {}

void holdInterrupts(bool) {}

// No helper thread starts in the page, and no signal could reach one.
void startWithoutInterrupts(const std::function<void()>& start) { start(); }

int removeFile(const std::string& name) { return ::unlink(name.c_str()) == 0 ? 0 : errno; }

void* allocateLargeBuffer(std::size_t& size) { return std::malloc(size); }

void releaseLargeBuffer(void* buffer, std::size_t) { std::free(buffer); }

void prepareStandardStreams() {}

std::int64_t readStandardInput(void* buffer, std::size_t count, int& error) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, count);
    if (got >= 0) return got;
    error = errno;
    return -1;
}

std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error) {
    const ssize_t put = ::write(STDOUT_FILENO, buffer, count);
    if (put >= 0) return put;
    error = errno;
    return -1;
}

} // namespace platform
