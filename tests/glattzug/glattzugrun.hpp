#pragma once

#include "bmpwriter.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr Bgr frameBlue{255, 0, 0};
inline constexpr Bgr black{0, 0, 0};

Bgr shade(int k);

RunResult runGlattzug(const TempDir& dir, const std::vector<std::string>& arguments);

std::string bannerText();
std::string helpText();
std::string prefillText(std::int64_t length);
std::string closingText(const std::string& outName);

// frameFound false: no line began or ended with frame blue, and the run says so,
// in a run that respaces the rows by latitude (respaced) with other words.
std::string successText(const std::string& statusLine, const std::string& outName,
                        std::int64_t length, int passDots, bool frameFound = true, bool respaced = false);

PixelRows transposed(const PixelRows& rows);
