#include "reference_rectify.hpp"
#include "extendedmath.hpp"

#include <cmath>
#include <cstdint>

namespace {

const long double pi = 3.14159265358979323851L;

std::int64_t word(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) + 256 * static_cast<unsigned char>(bytes[at + 1]);
}

double sinhOf(double x) {
    return static_cast<double>((exponential(static_cast<long double>(x)) - exponential(-static_cast<long double>(x))) / 2);
}

struct Hyperbolic {
    double a, b, c, d;
    std::int64_t row(double v) const {
        double phi = a == 0.0 ? 1e9 : static_cast<double>((static_cast<long double>(v) - b) / a);
        double x = static_cast<double>(pi * phi / 180);
        double w = static_cast<double>(static_cast<long double>(sinhOf(x)) * a + b);
        double r = static_cast<double>(static_cast<long double>(c) * w + d);
        return std::fabs(r) < 2147483647.0 ? static_cast<std::int64_t>(std::nearbyint(r)) : 2147483647;
    }
};

} // namespace

std::string referenceRectify(const std::string& input, char mode, double lower, double upper) {
    std::int64_t dataOffset = word(input, 10), width = word(input, 18), height = word(input, 22);
    std::int64_t rowBytes = 3 * width + width % 4;
    std::string output(input.size(), '\0');
    output.replace(0, 54, input.substr(0, 54));

    bool hyperbolic = mode == 'V' && lower < 91.0;
    Hyperbolic h{};
    if (hyperbolic) {
        h.a = static_cast<double>(-(height - 1) / (static_cast<long double>(upper) - lower));
        h.b = static_cast<double>(-static_cast<long double>(h.a) * upper);
        long double e = static_cast<long double>(sinhOf(static_cast<double>(pi * lower / 180))) * h.a + h.b;
        long double f = static_cast<long double>(sinhOf(static_cast<double>(pi * upper / 180))) * h.a + h.b;
        h.c = static_cast<double>((height - 1) / (e - f));
        h.d = static_cast<double>(f * -static_cast<long double>(h.c));
    }

    bool rows = mode == 'H';
    std::int64_t lines = rows ? height : width, n = rows ? width : height;
    for (std::int64_t i = 0; i < lines; ++i) {
        auto offset = [&](std::int64_t q) {
            std::int64_t x = rows ? q : i, y = rows ? i : q;
            return static_cast<std::size_t>(dataOffset + 3 * x + rowBytes * (height - 1 - y));
        };
        auto blue = [&](std::int64_t q) { return input.compare(offset(q), 3, "\xff\x00\x00", 3) == 0; };
        std::int64_t s0 = 0;
        while (s0 < n && blue(s0)) ++s0;
        if (s0 == n) continue;
        std::int64_t s1 = n - 1;
        while (blue(s1)) --s1;
        if (s1 <= s0) continue;
        std::int64_t next = 0;
        for (std::int64_t s = s0; s <= s1; ++s) {
            long double factor = static_cast<long double>(n - 1) / (s1 - s0);
            double v = static_cast<double>(factor * (s - s0));
            std::int64_t t = hyperbolic ? h.row(v) : static_cast<std::int64_t>(std::nearbyint(v));
            for (std::int64_t q = next; q <= t; ++q) output.replace(offset(q), 3, input, offset(s), 3);
            next = t + 1;
        }
    }
    return output;
}
