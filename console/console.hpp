// The console: standard output only, 7-bit text, CR LF line ends, every
// write flushed at once; standard input only for the Return pause.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view lineEnd = "\r\n";
inline constexpr char bell = '\a';

// Writes text as it is. A failed write ends the run with the failure report.
void consoleWrite(std::string_view text);
// Writes text and a line end.
void consoleLine(std::string_view text = {});
// For the failure report itself: errors are ignored.
void writeConsoleQuietly(std::string_view text);

// Tests can collect console text instead of writing it (nullptr: write again).
void captureConsole(std::string* sink);

// An empty line, "RETURN druecken.. ", then one line of standard input.
void waitForReturn();

// Reads one line of standard input (up to a carriage return, a line feed as a
// terminal sends it for Return, or the end of input) and forgets it: the
// pause of a tool whose own message has already asked for Return.
void readInputLine();

// Progress dots: a dot whenever (done * 157) div total reaches a new even step.
struct ProgressDots {
    std::int32_t lastStep = -1;
    void advance(std::int32_t done, std::int32_t total);
};

// The step that progress dots are shown for.
std::int32_t progressStep(std::int32_t done, std::int32_t total);

std::string integerText(std::int64_t value);
