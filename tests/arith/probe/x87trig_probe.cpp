// Writes the results of the turn's trigonometry for every argument a user
// reaches, as records of bits, so that the page's build (the software
// extended type) can be held to the x87's:
//   x87trig_probe angles FILE   every g= with up to two decimals, both ways:
//                               the angle's sine and cosine in extended
//                               precision, both stored, and the turned
//                               picture's size for sizes up to 10000
//   x87trig_probe shifts FILE   x= and y= shifts up to 2000 on sizes 100 to
//                               10000 (every seventh): the arctangent, in
//                               extended precision and stored
#include "extendedmath.hpp"
#include "realmath.hpp"

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
            putDouble(out, storeDouble(turned));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) return 2;
    if (std::string(argv[1]) == "angles") angles(out);
    else if (std::string(argv[1]) == "shifts") shifts(out);
    else return 2;
    return std::fclose(out) == 0 ? 0 : 1;
}
