// A straightforward model of the rotation's pixel pass, kept beside the tests
// to check the tool's fast engine against: every pixel by the polar form with
// its storage points, and a file of bytes that grows with every write behind
// its end, as one positioned read or write per pixel leaves it.
#pragma once

#include <string>

// The whole .TMP file that a turn by angleRadians of the BMP input gives
// (input must pass the header tests), for a pre-fill of prefill bytes.
std::string referenceRotation(const std::string& input, double angleRadians);
