// Fixed-point text of the software extended type: the exact binary value
// rounded half to even at the last decimal, as the C++ library writes a
// long double.
#if !defined(__x86_64__) && !defined(__i386__)

#include "extended.hpp"

#include <cstdint>
#include <string>

std::to_chars_result extendedToChars(char* first, char* last, extended value, std::chars_format format,
                                     int precision) {
    using softextended::Wide;
    std::uint64_t scale = 1;
    for (int i = 0; i < precision; ++i) scale *= 10;
    Wide whole = 0;
    const Wide product = Wide{value.mantissa()} * scale;
    const std::int32_t power = value.exponent();
    const bool fits = format == std::chars_format::fixed && precision >= 0 && precision <= 18 && value.isFinite() &&
                      (power <= 0 || softextended::bitLength(product) + power <= 127);
    // Beyond what the tools print: the quad value, which holds this one exactly.
    if (!fits) return std::to_chars(first, last, static_cast<long double>(value), format, precision);
    if (power >= 0) {
        whole = product << power;
    } else if (-power < 128) {
        const int shift = -power;
        whole = product >> shift;
        const Wide rest = product & ((Wide{1} << shift) - 1);
        const Wide half = Wide{1} << (shift - 1);
        if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
    }
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(whole % 10)));
        whole /= 10;
    } while (whole != 0);
    if (digits.size() <= static_cast<std::size_t>(precision)) {
        digits.insert(0, static_cast<std::size_t>(precision) + 1 - digits.size(), '0');
    }
    if (precision > 0) digits.insert(digits.size() - static_cast<std::size_t>(precision), 1, '.');
    if (value.isNegative()) digits.insert(digits.begin(), '-');
    if (digits.size() > static_cast<std::size_t>(last - first)) return {last, std::errc::value_too_large};
    return {digits.copy(first, digits.size()) + first, std::errc{}};
}

#endif
