#include "platform.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int refuseDirectory(int fd, int& error) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        error = EISDIR;
        return -1;
    }
    return fd;
}

} // namespace

int openFile(const std::string& name, OpenMode mode, int& error) {
    int flags = mode == OpenMode::Read ? O_RDONLY : mode == OpenMode::Update ? O_RDWR : O_RDWR | O_CREAT | O_TRUNC;
    int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    return refuseDirectory(fd, error);
}

int createExclusive(const std::string& name, int& error) {
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) error = errno;
    return fd;
}

int closeFile(int fd) { return ::close(fd) == 0 || errno == EINTR ? 0 : errno; }

std::int64_t fileSize(int fd, int& error) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = errno;
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::int64_t readAt(int fd, void* buffer, std::size_t count, std::int64_t offset, int& error) {
    for (;;) {
        ssize_t got = ::pread(fd, buffer, count, static_cast<off_t>(offset));
        if (got >= 0) return got;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

std::int64_t writeAt(int fd, const void* buffer, std::size_t count, std::int64_t offset, int& error) {
    for (;;) {
        ssize_t put = ::pwrite(fd, buffer, count, static_cast<off_t>(offset));
        if (put >= 0) return put;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

int reserve(int fd, std::int64_t from, std::int64_t length) {
    int result = ::posix_fallocate(fd, static_cast<off_t>(from), static_cast<off_t>(length - from));
    return result == EINVAL ? EOPNOTSUPP : result;
}

int truncateTo(int fd, std::int64_t length) {
    return ::ftruncate(fd, static_cast<off_t>(length)) == 0 ? 0 : errno;
}

int mapFile(int fd, std::size_t length, bool writable, Mapping& mapping) {
    int protection = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    int sharing = (writable ? MAP_SHARED : MAP_PRIVATE) | MAP_POPULATE;
    void* address = ::mmap(nullptr, length, protection, sharing, fd, 0);
    if (address == MAP_FAILED) return errno;
    mapping.address = address;
    mapping.length = length;
    return 0;
}

int unmapFile(Mapping& mapping) {
    if (mapping.address == nullptr) return 0;
    int result = ::munmap(mapping.address, mapping.length) == 0 ? 0 : errno;
    mapping = Mapping{};
    return result;
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int processId() { return static_cast<int>(::getpid()); }

void prepareStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int parked = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (parked != -1 && parked != fd) {
                ::dup2(parked, fd);
                ::close(parked);
            }
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
}

std::int64_t readStandardInput(void* buffer, std::size_t count, int& error) {
    for (;;) {
        ssize_t got = ::read(STDIN_FILENO, buffer, count);
        if (got >= 0) return got;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error) {
    for (;;) {
        ssize_t put = ::write(STDOUT_FILENO, buffer, count);
        if (put >= 0) return put;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

} // namespace platform
