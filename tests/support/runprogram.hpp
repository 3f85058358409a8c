// Runs a built tool as a process, in a given working directory: standard
// input from /dev/null and standard output collected, or a hostile setting
// (a closed or empty input, a closed or broken output, a file-size limit, a
// fault made while the tool runs).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

enum class StandardInput { DevNull, Closed, EmptyPipe, File };
enum class StandardOutput { Collected, Closed, BrokenPipe };

struct RunSetting {
    StandardInput input = StandardInput::DevNull;
    std::filesystem::path inputFile;  // read as standard input with StandardInput::File
    StandardOutput output = StandardOutput::Collected;
    // SIGXFSZ keeps its default action: the tool itself must turn the limit
    // into a failed write.
    rlim_t fileSizeLimit = RLIM_INFINITY;
    // Once the collected output satisfies when, then runs, while the tool goes on.
    std::function<bool(const std::string& output)> when;
    std::function<void()> then;
    // Extra variables for the tool's environment ("NAME=value").
    std::vector<std::string> environment;
    // The tool's test pause: at the named point ("after-prefill",
    // "before-check", "before-rename") the run stops, atPause is called with
    // a path under which the pending output can be opened (relative ones are
    // in the working directory) and the tool's process number, and the run
    // goes on when it returns.
    std::string pauseAt;
    std::function<void(const std::filesystem::path& pendingOutput, int processId)> atPause;
};

struct RunResult {
    std::string output;  // everything written to standard output
    bool paused = false; // the pause point was reached
    int exitCode = -1;   // -1 when the process ended by a signal
    int signal = 0;
    bool hung = false;   // killed after the time limit
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingDirectory, const RunSetting& setting = {});

// The lines a run shows around its work, for building expected console text.
std::string pauseText();  // "\r\nRETURN druecken.. \r\n"
