// The frame every tool runs in, from its first statement to its exit code.
#pragma once

#include "failure.hpp"

#include <span>
#include <string_view>

// Writes the report for failure on standard output. The caller ends the process with 1.
void failureReport(const RunFailure& failure);

// Shows a tool's help text line by line, pauses and ends the run with exit code 1.
[[noreturn]] void endWithHelp(std::span<const std::string_view> helpText);

// Makes sure the three standard streams are open, lets a broken pipe or a
// file-size limit show as a failed write instead of a signal, runs body and
// turns a RunFailure into the failure report with exit code 1. A temporary
// output that the run did not put in place is removed, however it ended.
int runTool(int argc, char** argv, const char* programName, int (*body)(int, char**));
