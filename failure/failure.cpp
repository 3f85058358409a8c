// The failure kinds, their class names and messages, and the report's text.
#include "failure.hpp"

#include <cerrno>
#include <cstdio>

namespace {

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
    case FailureKind::OutOfMemory: return {"EOutOfMemory", "Out of memory"};
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

} // namespace

void raiseFailure(FailureKind kind, std::source_location where) {
    throw RunFailure{kind, 0, positionOf(where)};
}

FailureKind ioFailureKind(int errnoValue) {
    switch (errnoValue) {
    case ENOENT: return FailureKind::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
#ifdef ELOOP
    case ELOOP:
#endif
        return FailureKind::InvalidFilename;
    case EMFILE:
    case ENFILE: return FailureKind::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return FailureKind::AccessDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return FailureKind::DiskFull;
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
