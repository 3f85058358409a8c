// The steps that every run of an image tool takes around its own checks, in
// this order: the output named and refused where it would be the input; the
// input opened (by the tool) and its header read; the pixel layout checked
// against the input's length; the output created, zero-filled, with the
// header written into it. A step that finds a fault reports it through
// reportStepFailure and returns false: the run then ends.
#pragma once

#include "bmpheader.hpp"
#include "bytefile.hpp"

#include <cstdint>
#include <string>

// Refuses an output that would replace the input, before the input is opened.
bool outputMayBeWritten(const std::string& typedName, const std::string& outputName, ByteFile& input);

// Reads and tests the header at the start of the open input.
bool readInputHeader(ByteFile& input, BmpHeader& header, BmpLayout& layout);

// Tests the pixels' format and completes the layout; the first pixel of the
// top row must lie inside the input's inputLength bytes.
bool checkInputLayout(ByteFile& input, const BmpHeader& header, BmpLayout& layout, std::int32_t inputLength);

// Creates the output of length bytes, all zero, and writes the header into it.
bool createOutput(const std::string& name, std::int32_t length, const BmpHeader& header, ByteFile& input,
                  ByteFile& output);
