// Whole runs of an image tool in-process on a mutated small picture with
// mutated arguments. The fuzz input is one line of arguments (words split at
// blanks), a line feed, then the bytes of the input file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ImageRun {
    std::string input;     // the input file's bytes
    std::string console;   // what the run wrote
    std::string output;    // the .TMP file, when one exists
    bool outputExists = false;
    int code = -1;
};

// False when the input is not worth a run: no line feed, or a picture so
// large that a single run would take seconds (the 2 GiB boundary has tests
// of its own).
bool runImageTool(int (*toolMain)(int, char**), const char* program, const std::uint8_t* data,
                  std::size_t size, ImageRun& run);

// The checks that hold for every run of either tool.
void checkCommonOutcome(const ImageRun& run);
