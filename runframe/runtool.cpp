// The frame of every run: the failure report and the exit code.
#include "runtool.hpp"

#include "asciitext.hpp"
#include "console.hpp"
#include "standardstreams.hpp"
#include "temporaryfile.hpp"

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

std::string moduleNameOfRun = "tool";

// The program's file name without its directory (and without ".EXE").
std::string moduleNameOf(int argc, char** argv, const char* programName) {
    if (argc <= 0 || argv[0] == nullptr || argv[0][0] == '\0') return programName;
    std::string_view path = argv[0];
    std::size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    if (path.size() > 4 && upperCaseAscii(path.substr(path.size() - 4)) == ".EXE") path.remove_suffix(4);
    return std::string(path);
}

} // namespace

void endWithHelp(std::span<const std::string_view> helpText) {
    for (std::string_view line : helpText) consoleLine(line);
    waitForReturn();
    throw ExitRequest{1};
}

void failureReport(const RunFailure& failure) {
    writeConsoleQuietly(failureReportText(failure, moduleNameOfRun));
}

namespace {

int runBody(int argc, char** argv, int (*body)(int, char**)) {
    try {
        return body(argc, argv);
    } catch (const RunFailure& failure) {
        failureReport(failure);
        return 1;
    } catch (const ExitRequest& request) {
        return request.code;
    } catch (const std::bad_alloc&) {
        // A line of text longer than memory holds, say: reported, not aborted.
        failureReport(RunFailure{FailureKind::OutOfMemory, 0, 0x00400000u});
        return 1;
    } catch (const std::length_error&) {
        failureReport(RunFailure{FailureKind::OutOfMemory, 0, 0x00400000u});
        return 1;
    }
}

} // namespace

int runTool(int argc, char** argv, const char* programName, int (*body)(int, char**)) {
    // A closed standard stream would hand its number to the next file
    // opened, and console text would land in a picture.
    prepareStandardStreams();
    moduleNameOfRun = moduleNameOf(argc, argv, programName);
    int code = runBody(argc, argv, body);
    // A run that did not put its output in place leaves no temporary behind.
    discardTemporary();
    return code;
}
