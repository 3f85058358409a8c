// Writes the results of the turn's trigonometry for every argument a user
// reaches, as records of bits, so that the page's build (the software
// extended type) can be held to the x87's:
//   x87trig_probe angles FILE   every g= with up to two decimals, both ways:
//                               the angle's sine and cosine in extended
//                               precision, both stored, and the turned
//                               picture's size for sizes up to 10000
//   x87trig_probe shifts FILE   x= and y= shifts up to 2000 on sizes 100 to
//                               10000 (every seventh): the arctangent, in
//                               extended precision and stored, and the
//                               turned picture's size
//   x87trig_probe candidates FILE  (natively) every shift up to 2000 on
//                               every size up to 10000 whose arctangent lies
//                               within an ulp of a tie between two doubles,
//                               as lines: size, shift, the x87's bits
//   x87trig_probe check FILE    (for the page) those lines whose stored angle
//                               the software type gives otherwise, as rows of
//                               the table of the unit's own results
#include "extendedmath.hpp"
#include "realmath.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void putExtended(std::FILE* out, extended value) {
    std::uint16_t top;
    std::uint64_t mantissa;
#if defined(__x86_64__) || defined(__i386__)
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &value, 10);
    std::memcpy(&mantissa, bytes, 8);
    std::memcpy(&top, bytes + 8, 2);
#else
    top = value.signAndExponent();
    mantissa = value.registerMantissa();
#endif
    std::fwrite(&top, 2, 1, out);
    std::fwrite(&mantissa, 8, 1, out);
}

void putDouble(std::FILE* out, double value) { std::fwrite(&value, 8, 1, out); }

void putInt(std::FILE* out, std::int32_t value) { std::fwrite(&value, 4, 1, out); }

constexpr std::int32_t sizes[][2] = {{320, 240}, {1201, 857}, {4000, 3000}, {6000, 4500},
                                     {9999, 10000}, {10000, 7071}, {777, 9001}, {12, 10000}};

void angles(std::FILE* out) {
    for (int hundredths = -9000; hundredths <= 9000; ++hundredths) {
        if (hundredths == 0) continue;
        char text[16];
        const int whole = std::abs(hundredths);
        std::snprintf(text, sizeof text, "%s%d.%02d", hundredths < 0 ? "-" : "", whole / 100, whole % 100);
        const double degrees = std::strtod(text, nullptr);
        const double angle = storeDouble(static_cast<extended>(degrees) * extendedPi / 180.0L);
        const extended turn = extendedAbs(static_cast<extended>(angle));
        const extended c = cosineX87(turn);
        const extended s = sineX87(turn);
        putExtended(out, c);
        putExtended(out, s);
        putDouble(out, storeDouble(cosineX87(angle)));
        putDouble(out, storeDouble(sineX87(angle)));
        for (const auto& size : sizes) {
            putInt(out, truncToInt32(size[0] * c + size[1] * s));
            putInt(out, truncToInt32(size[0] * s + size[1] * c));
        }
    }
}

void shifts(std::FILE* out) {
    for (std::int32_t size = 100; size <= 10000; size += 7) {
        for (std::int32_t shift = 1; shift <= 2000 && shift < size / 2; ++shift) {
            const extended turned = arctangentX87(static_cast<extended>(2 * shift) / size);
            putExtended(out, turned);
            const double angle = storeDouble(turned);
            putDouble(out, angle);
            // The turned picture's size, the shift's side and the other as long or half as long again.
            const extended magnitude = extendedAbs(static_cast<extended>(angle));
            const extended c = cosineX87(magnitude);
            const extended s = sineX87(magnitude);
            for (const std::int32_t other : {size, size + size / 2}) {
                putInt(out, truncToInt32(other * c + size * s));
                putInt(out, truncToInt32(other * s + size * c));
            }
        }
    }
}

void extendedBits(extended value, std::uint16_t& top, std::uint64_t& mantissa) {
#if defined(__x86_64__) || defined(__i386__)
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &value, 10);
    std::memcpy(&mantissa, bytes, 8);
    std::memcpy(&top, bytes + 8, 2);
#else
    top = value.signAndExponent();
    mantissa = value.registerMantissa();
#endif
}

void candidates(std::FILE* out) {
    for (std::int32_t size = 3; size <= 10000; ++size) {
        for (std::int32_t shift = 1; shift <= 2000 && shift < size / 2; ++shift) {
            std::uint16_t top;
            std::uint64_t mantissa;
            extendedBits(arctangentX87(static_cast<extended>(2 * shift) / size), top, mantissa);
            const std::uint64_t belowDouble = mantissa & 0x7FF;
            if (belowDouble >= 0x3FE && belowDouble <= 0x402) {
                std::fprintf(out, "%d %d %04X %016llX\n", size, shift, top, static_cast<unsigned long long>(mantissa));
            }
        }
    }
}

void check(std::FILE* in) {
    int size, shift;
    unsigned top;
    unsigned long long mantissa;
    while (std::fscanf(in, "%d %d %X %llX", &size, &shift, &top, &mantissa) == 4) {
        const extended argument = static_cast<extended>(2 * shift) / size;
        const extended turned = arctangentX87(argument);
        std::uint16_t softTop;
        std::uint64_t softMantissa;
        extendedBits(turned, softTop, softMantissa);
        // The stored double: the same when the bits down to the double's last place and the tie side agree.
        const double unit = static_cast<double>(std::ldexp(static_cast<double>(mantissa >> 11), static_cast<int>(top) - 16383 - 52));
        const double softUnit = static_cast<double>(std::ldexp(static_cast<double>(softMantissa >> 11), static_cast<int>(softTop) - 16383 - 52));
        const bool roundsUp = (mantissa & 0x7FF) > 0x400 || ((mantissa & 0x7FF) == 0x400 && ((mantissa >> 11) & 1) != 0);
        const bool softRoundsUp = (softMantissa & 0x7FF) > 0x400 || ((softMantissa & 0x7FF) == 0x400 && ((softMantissa >> 11) & 1) != 0);
        if (unit != softUnit || roundsUp != softRoundsUp) {
            std::uint16_t argumentTop;
            std::uint64_t argumentMantissa;
            extendedBits(argument, argumentTop, argumentMantissa);
            std::printf("    {0x%04X, 0x%016llXu, 0x%04X, 0x%016llXu},  // 2 * %d / %d\n", argumentTop,
                        static_cast<unsigned long long>(argumentMantissa), top, mantissa, shift, size);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::FILE* out = std::fopen(argv[2], std::string(argv[1]) == "check" ? "rb" : "wb");
    if (out == nullptr) return 2;
    if (std::string(argv[1]) == "check") {
        std::fclose(out);
        std::FILE* in = std::fopen(argv[2], "r");
        if (in == nullptr) return 2;
        check(in);
        return 0;
    }
    if (std::string(argv[1]) == "angles") angles(out);
    else if (std::string(argv[1]) == "candidates") candidates(out);
    else if (std::string(argv[1]) == "shifts") shifts(out);
    else return 2;
    return std::fclose(out) == 0 ? 0 : 1;
}
