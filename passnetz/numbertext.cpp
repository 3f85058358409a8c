// Numbers in the exports: the shortest digits that read back as the same
// double, written out with a "." and without an exponent, whatever the
// locale.
#include "exportrun.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace passnetz {

std::string numberText(double value) {
    if (value == 0.0) return "0";  // a negative zero too
    // Never written (the run refuses such a calibration), but a text without
    // digits and exponent must not be taken apart below.
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0.0 ? "-inf" : "inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string scientific(buffer, result.ptr);  // "-1.2345e+02"
    const std::size_t e = scientific.find('e');
    const bool negative = scientific[0] == '-';
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
        if (scientific[i] != '.') digits += scientific[i];
    }
    const int exponent = std::atoi(scientific.c_str() + e + 1);
    std::string text = negative ? "-" : "";
    if (exponent < 0) {
        text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            text += digits + std::string(whole - digits.size(), '0');
        } else {
            text += digits.substr(0, whole) + "." + digits.substr(whole);
        }
    }
    return text;
}

} // namespace passnetz
