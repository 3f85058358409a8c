// The image tools' output: its name beside the input, its refusal where it
// would be the input itself, its zero-filled making in a temporary file, and
// the check that puts it in place only when the writes left it whole.
#include "outputfile.hpp"

#include "asciitext.hpp"
#include "bytefile.hpp"
#include "checked.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "temporaryfile.hpp"
#include "testpause.hpp"

#include <cerrno>


namespace {

std::size_t lastSeparator(std::string_view name, std::string_view separators) {
    return name.find_last_of(separators);
}

} // namespace

std::string replaceExtension(std::string_view name, std::string_view extension) {
    std::size_t last = lastSeparator(name, ".\\:/");
    std::string result(name);
    if (last != std::string_view::npos && name[last] == '.') result.resize(last);
    result += extension;
    return result;
}

std::string outputNameFor(std::string_view inputName) { return replaceExtension(inputName, ".TMP"); }

std::string_view lastComponent(std::string_view name) {
    std::size_t last = lastSeparator(name, "/\\:");
    return last == std::string_view::npos ? name : name.substr(last + 1);
}

std::string upperCaseLastComponent(std::string_view typedName) {
    std::string_view last = lastComponent(typedName);
    std::string result(typedName.substr(0, typedName.size() - last.size()));
    result += upperCaseAscii(last);
    return result;
}

bool outputWouldReplaceInput(std::string_view typedInput, std::string_view extension,
                             const std::string& outputName) {
    if (upperCaseAscii(replaceExtension(typedInput, extension)) == upperCaseAscii(typedInput)) {
        return true;
    }
    return sameFileOnDisk(std::string(typedInput), outputName);
}

std::int32_t prefillBlockSize(std::int32_t remaining) {
    if (remaining > 1024) return 1024;
    if (remaining > 32) return 32;
    return 1;
}

ByteFile createOutputFile(const std::string& name, std::int32_t length, const ByteFile& input) {
    consoleLine();
    consoleLine("TMP-Datei erstellen...");
    // Every write goes to a new file beside the output, which takes the
    // output's name only when it is complete (publishOutput).
    ByteFile file;
    if (isFolder(name) || createTemporaryBeside(file, name) != 0) {
        consoleLine(std::string("Disk-Schreibfehler") + bell);
        waitForReturn();
        throw ExitRequest{1};
    }
    // The names were compared before; a link made since then still must not
    // let the output take the input's place.
    if (nameLeadsTo(name, input)) {
        file = ByteFile();
        discardTemporary();
        consoleLine(std::string(outputIsInputMessage) + bell);
        waitForReturn();
        throw ExitRequest{1};
    }
    // The zeros are written as blocks of 1024, 32 and 1 bytes; an emptied
    // file extended to its length holds the same zeros, so the blocks only
    // set the pace of the dots, and the space is reserved in one go.
    if (length > 0) file.fillWithZeros(length);
    ProgressDots dots;
    std::int32_t remaining = length;
    while (remaining > 0) {
        dots.advance(checkedSub(length, remaining), length);
        remaining = checkedSub(remaining, prefillBlockSize(remaining));
    }
    file.settleLength(length > 0 ? length : 0);
    consoleLine();
    pauseForTest("after-prefill", temporaryReachableName(file));
    return file;
}

void publishOutput(ByteFile& output, const std::string& name) {
    pauseForTest("before-check", temporaryReachableName(output));
    // Cut (or lengthened) by another process since the pass ended: what it
    // wrote is not what the file holds.
    if (output.size() != output.settledLength()) raiseIoFailure(EIO);
    putTemporaryInPlace(output, name);
}
