// Files read and written at explicit offsets; a failed call ends the run with
// the failure report unless the caller asked for the error number (try-forms).
#include "bytefile.hpp"

#include "checked.hpp"
#include "failure.hpp"
#include "platform.hpp"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

ByteFile::~ByteFile() {
    if (fd_ >= 0) platform::closeFile(fd_);
}

ByteFile::ByteFile(ByteFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), settledLength_(std::exchange(other.settledLength_, -1)) {}

ByteFile& ByteFile::operator=(ByteFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) platform::closeFile(fd_);
        fd_ = std::exchange(other.fd_, -1);
        settledLength_ = std::exchange(other.settledLength_, -1);
    }
    return *this;
}

namespace {

int openAs(const std::string& name, platform::OpenMode mode, int& fd) {
    int error = 0;
    int opened = platform::openFile(name, mode, error);
    if (opened < 0) return error;
    fd = opened;
    return 0;
}

} // namespace

int ByteFile::tryOpenForReading(const std::string& name) { return openAs(name, platform::OpenMode::Read, fd_); }
int ByteFile::tryOpenForUpdate(const std::string& name) { return openAs(name, platform::OpenMode::Update, fd_); }
int ByteFile::tryCreate(const std::string& name) { return openAs(name, platform::OpenMode::Create, fd_); }
int ByteFile::tryOpenOrCreate(const std::string& name) { return openAs(name, platform::OpenMode::OpenOrCreate, fd_); }

void ByteFile::adopt(int fd) {
    if (fd_ >= 0) platform::closeFile(fd_);
    fd_ = fd;
    settledLength_ = -1;
}

void ByteFile::openForReading(const std::string& name) {
    if (int error = tryOpenForReading(name)) raiseIoFailure(error);
}

void ByteFile::openForUpdate(const std::string& name) {
    if (int error = tryOpenForUpdate(name)) raiseIoFailure(error);
}

std::int64_t ByteFile::size() const {
    int error = 0;
    std::int64_t size = platform::fileSize(fd_, error);
    if (size < 0) raiseIoFailure(error);
    return size;
}

std::int64_t ByteFile::trySize(int& error) const { return platform::fileSize(fd_, error); }

std::int32_t ByteFile::length() const { return checkedNarrow<std::int32_t>(size()); }

std::int64_t ByteFile::tryReadAt(std::int64_t offset, void* buffer, std::size_t count,
                                 int& error) const {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::int64_t got = platform::readAt(fd_, bytes + done, count - done,
                                            offset + static_cast<std::int64_t>(done), error);
        if (got < 0) return -1;
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
        std::int64_t put = platform::writeAt(fd_, bytes + done, count - done,
                                             offset + static_cast<std::int64_t>(done), error);
        if (put < 0) return false;
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
    std::int64_t from = size();
    if (length <= from) return;
    int result = platform::reserve(fd_, from, length);
    if (result == 0) return;
    if (result != EOPNOTSUPP) raiseIoFailure(result);
    // No reservation on this file system: write the zeros.
    std::vector<unsigned char> zeros(1 << 20);
    for (std::int64_t at = from; at < length;) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(length - at, 1 << 20));
        writeAt(at, zeros.data(), chunk);
        at += static_cast<std::int64_t>(chunk);
    }
}

int ByteFile::tryTruncate(std::int64_t length) { return platform::truncateTo(fd_, length); }

bool ByteFile::isSameFileAs(const ByteFile& other) const { return platform::sameOpenFile(fd_, other.fd_); }

int ByteFile::tryCopyOwnerAndAccessOf(const std::string& name) { return platform::copyOwnerAndAccess(name, fd_); }

int ByteFile::trySync() { return platform::syncFile(fd_); }

void ByteFile::close() {
    if (fd_ < 0) return;
    int fd = std::exchange(fd_, -1);
    if (int error = platform::closeFile(fd)) raiseIoFailure(error);
}

bool sameFileOnDisk(const std::string& first, const std::string& second) {
    return platform::sameFile(first, second);
}

bool nameLeadsTo(const std::string& name, const ByteFile& file) {
    ByteFile named;
    if (named.tryOpenForReading(name) != 0) return false;
    return named.isSameFileAs(file);
}

bool isFolder(const std::string& name) { return platform::isFolder(name); }
