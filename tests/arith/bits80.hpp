// 80-bit values as 20 hex digits (sign and exponent, then the 64-bit
// mantissa), the form of the high-precision tables and scripts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

inline long double fromBits(const std::string& hex) {
    const auto top = static_cast<std::uint16_t>(std::stoul(hex.substr(0, 4), nullptr, 16));
    const std::uint64_t mantissa = std::stoull(hex.substr(4, 16), nullptr, 16);
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &mantissa, 8);
    std::memcpy(bytes + 8, &top, 2);
    long double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

inline std::string toBits(long double value) {
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
