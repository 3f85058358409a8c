// The calls that the POSIX form and the page's form make alike, on the same
// POSIX layer (the page's is Emscripten's): a file's size and length, whether
// two names or descriptors are one file, a folder, a pause, a rename.
#include "platform.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "faultseam.hpp"

namespace platform {

std::int64_t fileSize(int fd, int& error) {
    if (int fault = injectedFault(FaultCall::Size)) {
        error = fault;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = errno;
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

int truncateTo(int fd, std::int64_t length) {
    if (int fault = injectedFault(FaultCall::Truncate)) return fault;
    return ::ftruncate(fd, static_cast<off_t>(length)) == 0 ? 0 : errno;
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool isFolder(const std::string& name) {
    struct stat info {};
    return ::lstat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool sameOpenFile(int first, int second) {
    struct stat a {};
    struct stat b {};
    if (::fstat(first, &a) != 0 || ::fstat(second, &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void sleepMilliseconds(int milliseconds) {
    struct timespec pause {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    ::nanosleep(&pause, nullptr);
}

int replaceFile(const std::string& from, const std::string& to) {
    if (int fault = injectedFault(FaultCall::Rename)) return fault;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace platform
