// A straightforward model of the rectifier's pass, kept beside the tests to
// check the tool's table-driven pass against: every line probed pixel by
// pixel and every source pixel's target computed on its own, on a copy of
// the output in memory.
#pragma once

#include <string>

// The whole .TMP file for a BMP input in mode 'H' or 'V'; with latitudes
// (lower < 91) mode 'V' is hyperbolic. The input must pass the header tests.
std::string referenceRectify(const std::string& input, char mode, double lower = 1e9, double upper = 1e9);
