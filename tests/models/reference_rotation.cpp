#include "reference_rotation.hpp"
#include "extendedmath.hpp"

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace {

struct Layout {
    std::int64_t dataOffset, width, height, rowBytes;
    std::int64_t offset(std::int64_t x, std::int64_t y) const {
        return dataOffset + 3 * x + rowBytes * (height - 1 - y);
    }
};

std::int64_t word(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) + 256 * static_cast<unsigned char>(bytes[at + 1]);
}

struct GrowingFile {
    std::string bytes;
    void write(std::int64_t at, const char* pixel) {
        if (static_cast<std::size_t>(at + 3) > bytes.size()) bytes.resize(static_cast<std::size_t>(at + 3), '\0');
        bytes.replace(static_cast<std::size_t>(at), 3, pixel, 3);
    }
    bool blackAt(std::int64_t at) const {
        if (static_cast<std::size_t>(at + 3) > bytes.size()) throw std::runtime_error("read beyond end");
        return bytes.compare(static_cast<std::size_t>(at), 3, std::string(3, '\0')) == 0;
    }
};

} // namespace

std::string referenceRotation(const std::string& input, double angle) {
    const long double pi = 3.14159265358979323851L;
    std::int64_t w = word(input, 18), h = word(input, 22), dataOffset = word(input, 10);
    Layout in{dataOffset, w, h, 3 * w + w % 4};
    long double c = cosineX87(std::fabs(static_cast<long double>(angle)));
    long double s = sineX87(std::fabs(static_cast<long double>(angle)));
    std::int64_t w0 = static_cast<std::int64_t>(std::trunc(w * c + h * s)) + 1;
    std::int64_t h0 = static_cast<std::int64_t>(std::trunc(w * s + h * c)) + 1;
    std::int64_t dx = (w0 - w) / 2 + 1, dy = (h0 - h) / 2 + 1;
    std::int64_t newW = w + 2 * dx, newH = h + 2 * dy;
    Layout out{dataOffset, newW, newH, 3 * newW + newW % 4};
    std::int64_t hw = w / 2, hh = h / 2;

    GrowingFile file;
    file.bytes.assign(static_cast<std::size_t>(newW * newH * 3 + 54), '\0');
    std::string header = input.substr(0, 54);
    header[18] = static_cast<char>(newW % 256);
    header[19] = static_cast<char>(newW / 256);
    header[22] = static_cast<char>(newH % 256);
    header[23] = static_cast<char>(newH / 256);
    file.bytes.replace(0, 54, header);

    for (std::int64_t y = 0; y < h; ++y) {
        for (std::int64_t x = 0; x < w; ++x) {
            const char* pixel = input.data() + in.offset(x, y);
            double a = static_cast<double>(x - hw), b = static_cast<double>(hh - y);
            double r = static_cast<double>(std::sqrt(static_cast<long double>(a) * a + static_cast<long double>(b) * b));
            double phi = a != 0.0 ? static_cast<double>(arctangentX87(static_cast<long double>(b) / a))
                                  : static_cast<double>(y < hh ? pi / 2 : -pi / 2);
            phi = static_cast<double>(static_cast<long double>(phi) - angle);
            double X = static_cast<double>(r * cosineX87(phi));
            double Y = static_cast<double>(r * sineX87(phi));
            if (x < hw) {
                X = -X;
                Y = -Y;
            }
            std::int64_t tx = hw + static_cast<std::int64_t>(std::nearbyint(X));
            std::int64_t ty = hh - static_cast<std::int64_t>(std::nearbyint(Y));
            file.write(out.offset(tx + dx, ty + dy), pixel);
            if (tx + dx > 0) {
                std::int64_t left = out.offset(tx - 1 + dx, ty + dy);
                if (file.blackAt(left)) file.write(left, pixel);
            }
        }
    }
    const char black[3] = {0, 0, 0};
    for (std::int64_t x = -dx; x <= newW - dx; ++x) file.write(out.offset(x + dx, 0), black);
    return file.bytes;
}
