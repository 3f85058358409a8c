// One run of an image tool on a hostile file, and the judgement of how it
// ended: a step message with its pause, a failure report, or a finished
// output that the straightforward models of the passes confirm.
#pragma once

#include "runprogram.hpp"

#include <string>
#include <vector>

struct ToolCall {
    const char* title;
    const char* program;
    const char* moduleName;
    std::vector<std::string> arguments;  // after the file name
};

ToolCall rotationCall(const std::string& argument);
ToolCall rectifierCall(const std::vector<std::string>& arguments);

enum class Ending { StepMessage, Report, Finished, Unexplained };

struct Judgement {
    Ending ending = Ending::Unexplained;
    std::string message;  // the step message, or the report's message text
};

struct HostileFileRun {
    RunResult result;
    std::string input;         // as it was before the run
    std::string inputAfter;
    bool outputExists = false;
    std::string output;
    Judgement judgement;
};

// Runs the tool on bytes saved as k.bmp in a fresh directory, and checks what
// holds for every run: it ends by itself, leaves the input as it was, creates
// no output before it says so, and ends in one of the specified ways (a
// finished output matching the model).
HostileFileRun runOnFile(const ToolCall& call, const std::string& bytes,
                         const RunSetting& setting = {});

// Writes a 16-bit little-endian value into bytes at offset at.
std::string withWord16(std::string bytes, std::size_t at, unsigned value);
