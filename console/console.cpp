// Console lines with CR LF, flushed at once; the progress dots; the Return pause.
#include "console.hpp"

#include "failure.hpp"
#include "standardstreams.hpp"

#include <charconv>

namespace {

std::string* captured = nullptr;

bool writeAll(std::string_view text, int& error) {
    while (!text.empty()) {
        std::int64_t written = writeStandardOutput(text.data(), text.size(), error);
        if (written < 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

void captureConsole(std::string* sink) { captured = sink; }

void consoleWrite(std::string_view text) {
    if (captured != nullptr) {
        captured->append(text);
        return;
    }
    int error = 0;
    if (!writeAll(text, error)) raiseIoFailure(error);
}

void consoleLine(std::string_view text) {
    std::string line(text);
    line += lineEnd;
    consoleWrite(line);
}

void writeConsoleQuietly(std::string_view text) {
    if (captured != nullptr) {
        captured->append(text);
        return;
    }
    int error = 0;
    writeAll(text, error);
}

void waitForReturn() {
    consoleLine();
    consoleLine("RETURN druecken.. ");
    if (captured != nullptr) return;
    // One line: up to a carriage return, or a line feed as a terminal sends it
    // for Return, or the end of input. What was typed is not used.
    readInputLine();
}

void readInputLine() {
    char c = 0;
    for (;;) {
        int error = 0;
        std::int64_t got = readStandardInput(&c, 1, error);
        if (got < 0) raiseIoFailure(error);
        if (got == 0 || c == '\r' || c == '\n') return;
    }
}

std::int32_t progressStep(std::int32_t done, std::int32_t total) {
    // A single line gives a total of 0: it counts as the first step.
    if (total == 0) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(done) * 157 / total);
}

void ProgressDots::advance(std::int32_t done, std::int32_t total) {
    std::int32_t step = progressStep(done, total);
    if (step != lastStep && step % 2 == 0) {
        lastStep = step;
        consoleWrite(".");
    }
}

std::string integerText(std::int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}
