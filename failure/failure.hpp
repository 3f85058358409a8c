// Run-time failures: the one way a failed check ends a tool.
//
// A failed check anywhere throws RunFailure; the run frame (runframe/) catches
// it and writes the failure report. ExitRequest ends a run early with a given
// exit code after the tool has already said what it had to say (help text,
// a refused input). Both unwind through the caller, so every operation can be
// driven from a test without ending the test process.
#pragma once

#include <cstdint>
#include <source_location>
#include <string>

enum class FailureKind {
    FileNotFound,
    InvalidFilename,
    TooManyOpenFiles,
    AccessDenied,
    ReadBeyondEnd,
    DiskFull,
    OtherIo,
    IntOverflow,
    RangeError,
    ZeroDivide,
    InvalidOp,
    FpOverflow,
    OutOfMemory,
};

struct RunFailure {
    FailureKind kind;
    int ioNumber;            // the platform's error number, for OtherIo
    std::uint32_t position;  // identifies the failing place in the report
};

struct ExitRequest {
    int code;
};

[[noreturn]] void raiseFailure(FailureKind kind,
                               std::source_location where = std::source_location::current());

// Throws the I/O failure that the platform error number errnoValue stands for.
[[noreturn]] void raiseIoFailure(int errnoValue,
                                 std::source_location where = std::source_location::current());

FailureKind ioFailureKind(int errnoValue);

// "Exception <class> in module <program> at <position>.\n<message>.\r\n"
std::string failureReportText(const RunFailure& failure, const std::string& moduleName);
