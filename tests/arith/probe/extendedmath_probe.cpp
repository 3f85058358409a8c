// Reads lines "function bits" (function: sin, cos, atan, exp; bits: the 80-bit
// argument as 20 hex digits, sign and exponent first) and writes the result's
// bits, one line each: the tools' functions as a high-precision reference
// sees them (make_extendedmath_table.py, measure_exponential.py).
#include "extendedmath.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

long double fromBits(const std::string& hex) {
    const std::uint16_t top = static_cast<std::uint16_t>(std::stoul(hex.substr(0, 4), nullptr, 16));
    const std::uint64_t mantissa = std::stoull(hex.substr(4, 16), nullptr, 16);
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &mantissa, 8);
    std::memcpy(bytes + 8, &top, 2);
    long double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::string toBits(long double value) {
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &value, 10);
    std::uint64_t mantissa;
    std::uint16_t top;
    std::memcpy(&mantissa, bytes, 8);
    std::memcpy(&top, bytes + 8, 2);
    char text[24];
    std::snprintf(text, sizeof text, "%04X%016llX", static_cast<unsigned>(top), static_cast<unsigned long long>(mantissa));
    return text;
}

} // namespace

int main() {
    std::string function;
    std::string bits;
    while (std::cin >> function >> bits) {
        const long double x = fromBits(bits);
        long double y = 0;
        if (function == "sin") y = sineX87(x);
        else if (function == "cos") y = cosineX87(x);
        else if (function == "atan") y = arctangentX87(x);
        else if (function == "exp") y = exponential(x);
        std::cout << toBits(y) << '\n';
    }
    return 0;
}
