#include "bytefile.hpp"

#include "checked.hpp"
#include "failure.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

int openWith(const std::string& name, int flags, int& fd) {
    int opened = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
    if (opened < 0) return errno;
    struct stat info {};
    if (::fstat(opened, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(opened);
        return EISDIR;
    }
    fd = opened;
    return 0;
}

} // namespace

ByteFile::~ByteFile() {
    if (fd_ >= 0) ::close(fd_);
}

ByteFile::ByteFile(ByteFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ByteFile& ByteFile::operator=(ByteFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int ByteFile::tryOpenForReading(const std::string& name) { return openWith(name, O_RDONLY, fd_); }
int ByteFile::tryOpenForUpdate(const std::string& name) { return openWith(name, O_RDWR, fd_); }
int ByteFile::tryCreate(const std::string& name) {
    return openWith(name, O_RDWR | O_CREAT | O_TRUNC, fd_);
}

void ByteFile::openForReading(const std::string& name) {
    if (int error = tryOpenForReading(name)) raiseIoFailure(error);
}

void ByteFile::openForUpdate(const std::string& name) {
    if (int error = tryOpenForUpdate(name)) raiseIoFailure(error);
}

std::int32_t ByteFile::length() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) raiseIoFailure(errno);
    return checkedNarrow<std::int32_t>(static_cast<std::int64_t>(info.st_size));
}

std::int64_t ByteFile::tryReadAt(std::int64_t offset, void* buffer, std::size_t count,
                                 int& error) const {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t got = ::pread(fd_, bytes + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

void ByteFile::readAt(std::int64_t offset, void* buffer, std::size_t count) const {
    int error = 0;
    std::int64_t got = tryReadAt(offset, buffer, count, error);
    if (got < 0) raiseIoFailure(error);
    if (static_cast<std::size_t>(got) < count) raiseFailure(FailureKind::ReadBeyondEnd);
}

bool ByteFile::tryWriteAt(std::int64_t offset, const void* buffer, std::size_t count, int& error) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t put = ::pwrite(fd_, bytes + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (put < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (put == 0) {
            error = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

void ByteFile::writeAt(std::int64_t offset, const void* buffer, std::size_t count) {
    int error = 0;
    if (!tryWriteAt(offset, buffer, count, error)) raiseIoFailure(error);
}

void ByteFile::fillWithZeros(std::int64_t length) {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) raiseIoFailure(errno);
    std::int64_t from = info.st_size;
    if (length <= from) return;
    int result = ::posix_fallocate(fd_, static_cast<off_t>(from), static_cast<off_t>(length - from));
    if (result == 0) return;
    if (result != EOPNOTSUPP && result != EINVAL) raiseIoFailure(result);
    // No reservation on this file system: write the zeros.
    std::vector<unsigned char> zeros(1 << 20);
    for (std::int64_t at = from; at < length;) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(length - at, 1 << 20));
        writeAt(at, zeros.data(), chunk);
        at += static_cast<std::int64_t>(chunk);
    }
}

void ByteFile::close() {
    if (fd_ < 0) return;
    int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) raiseIoFailure(errno);
}

bool sameFileOnDisk(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
