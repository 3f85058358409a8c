// Runs a built tool as a process: standard input from /dev/null, standard
// output collected, in a given working directory.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
    std::string output;  // everything written to standard output
    int exitCode = -1;   // -1 when the process ended by a signal
    int signal = 0;
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingDirectory);

// The lines a run shows around its work, for building expected console text.
std::string pauseText();  // "\r\nRETURN druecken.. \r\n"
