#include "failure.hpp"

#include "console.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

std::string moduleNameOfRun = "tool";

struct FailureText {
    const char* className;
    const char* message;
};

FailureText textFor(FailureKind kind) {
    switch (kind) {
    case FailureKind::FileNotFound: return {"EInOutError", "File not found"};
    case FailureKind::InvalidFilename: return {"EInOutError", "Invalid filename"};
    case FailureKind::TooManyOpenFiles: return {"EInOutError", "Too many open files"};
    case FailureKind::AccessDenied: return {"EInOutError", "File access denied"};
    case FailureKind::ReadBeyondEnd: return {"EInOutError", "Read beyond end of file"};
    case FailureKind::DiskFull: return {"EInOutError", "Disk full"};
    case FailureKind::OtherIo: return {"EInOutError", "I/O error %d"};
    case FailureKind::IntOverflow: return {"EIntOverflow", "Integer overflow"};
    case FailureKind::RangeError: return {"ERangeError", "Range check error"};
    case FailureKind::ZeroDivide: return {"EZeroDivide", "Floating point division by zero"};
    case FailureKind::InvalidOp: return {"EInvalidOp", "Invalid floating point operation"};
    case FailureKind::FpOverflow: return {"EOverflow", "Floating point overflow"};
    }
    return {"Exception", "Unknown failure"};
}

// A stable number per source place, shown like a code address.
std::uint32_t positionOf(const std::source_location& where) {
    std::uint32_t hash = 2166136261u;
    for (const char* c = where.file_name(); *c != '\0'; ++c) {
        hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    }
    hash = (hash ^ where.line()) * 16777619u;
    return 0x00400000u | (hash & 0x000FFFF0u);
}

void ensureStandardStreamsOpen() {
    // A closed standard stream would hand its number to the next file opened,
    // and console text would land in a picture. Park them on /dev/null instead.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int parked = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (parked != -1 && parked != fd) {
                dup2(parked, fd);
                close(parked);
            }
        }
    }
}

} // namespace

void raiseFailure(FailureKind kind, std::source_location where) {
    throw RunFailure{kind, 0, positionOf(where)};
}

FailureKind ioFailureKind(int errnoValue) {
    switch (errnoValue) {
    case ENOENT: return FailureKind::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return FailureKind::InvalidFilename;
    case EMFILE:
    case ENFILE: return FailureKind::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return FailureKind::AccessDenied;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return FailureKind::DiskFull;
    default: return FailureKind::OtherIo;
    }
}

void raiseIoFailure(int errnoValue, std::source_location where) {
    throw RunFailure{ioFailureKind(errnoValue), errnoValue, positionOf(where)};
}

std::string failureReportText(const RunFailure& failure, const std::string& moduleName) {
    FailureText text = textFor(failure.kind);
    std::string message = text.message;
    if (failure.kind == FailureKind::OtherIo) {
        message = "I/O error " + std::to_string(failure.ioNumber);
    }
    if (message.empty() || message.back() != '.') {
        message += '.';
    }
    char position[9];
    std::snprintf(position, sizeof position, "%08X", static_cast<unsigned>(failure.position));
    return std::string("Exception ") + text.className + " in module " + moduleName + " at " +
           position + ".\n" + message + "\r\n";
}

void failureReport(const RunFailure& failure) {
    writeConsoleQuietly(failureReportText(failure, moduleNameOfRun));
}

int runTool(int argc, char** argv, const char* programName, int (*body)(int, char**)) {
    ensureStandardStreamsOpen();
    std::signal(SIGPIPE, SIG_IGN);
    moduleNameOfRun = programName;
    if (argc > 0 && argv[0] != nullptr && argv[0][0] != '\0') {
        std::string_view path = argv[0];
        std::size_t slash = path.find_last_of('/');
        moduleNameOfRun = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
    }
    try {
        return body(argc, argv);
    } catch (const RunFailure& failure) {
        failureReport(failure);
        return 1;
    } catch (const ExitRequest& request) {
        return request.code;
    }
}
