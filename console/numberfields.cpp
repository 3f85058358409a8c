// Number fields read and written the same in every locale.
#include "numberfields.hpp"

#include <charconv>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

std::optional<std::int32_t> parseHex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        int digit = hexValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Whether a syntactically valid decimal number lies below 1 in magnitude,
// judged from the position of its first significant digit and its exponent.
bool belowOne(std::string_view mantissa, std::string_view exponent) {
    std::int64_t integerDigits = 0;  // significant digits before the point, or minus leading zeros after it
    bool seenPoint = false;
    bool seenSignificant = false;
    for (char c : mantissa) {
        if (c == '.') {
            seenPoint = true;
        } else if (!seenSignificant && c == '0') {
            if (seenPoint) --integerDigits;
        } else {
            seenSignificant = true;
            if (!seenPoint) ++integerDigits;
        }
    }
    std::int64_t scale = 0;
    if (!exponent.empty()) {
        std::string_view digits = exponent.substr(1);
        bool negativeExponent = digits.front() == '-';
        if (digits.front() == '+' || digits.front() == '-') digits.remove_prefix(1);
        for (char c : digits) {
            if (scale < 1000000) scale = scale * 10 + (c - '0');
        }
        if (negativeExponent) scale = -scale;
    }
    return integerDigits + scale <= 0;
}

} // namespace

std::optional<std::int32_t> parseIntegerField(std::string_view text) {
    text = skipBlanks(text);
    if (text.empty()) return std::nullopt;
    if (text.front() == '$' || text.front() == 'x' || text.front() == 'X') {
        return parseHex(text.substr(1));
    }
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return parseHex(text.substr(2));
    }
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (!isDigit(c)) return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) return std::nullopt;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<double> parseDecimalField(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Mantissa: digits with at most one point among them.
    std::size_t pos = 0;
    std::size_t digitCount = 0;
    bool point = false;
    while (pos < text.size()) {
        char c = text[pos];
        if (isDigit(c)) {
            ++digitCount;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        ++pos;
    }
    if (digitCount == 0 && !point) return std::nullopt;
    std::string_view mantissa = text.substr(0, pos);
    std::string_view exponent = text.substr(pos);
    if (!exponent.empty()) {
        if (exponent.front() != 'e' && exponent.front() != 'E') return std::nullopt;
        std::size_t e = 1;
        if (e < exponent.size() && (exponent[e] == '+' || exponent[e] == '-')) ++e;
        if (e == exponent.size()) return std::nullopt;
        for (; e < exponent.size(); ++e) {
            if (!isDigit(exponent[e])) return std::nullopt;
        }
    }
    if (digitCount == 0) return negative ? -0.0 : 0.0;  // a point alone
    std::string number(mantissa);
    number += exponent;
    double value = 0.0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is no number.
        if (!belowOne(mantissa, exponent)) return std::nullopt;
        value = 0.0;
    } else if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}
