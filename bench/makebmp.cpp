// Writes a 24-bit BMP test picture of any size: a map-like pattern, and with
// "framed" pure-blue bars on all four sides whose inner edges wander.
//   makebmp WIDTH HEIGHT FILE [framed]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: makebmp WIDTH HEIGHT FILE [framed]\n");
        return 2;
    }
    const long width = std::atol(argv[1]);
    const long height = std::atol(argv[2]);
    const bool framed = argc > 4 && std::strcmp(argv[4], "framed") == 0;
    const long rowBytes = (3 * width + 3) / 4 * 4;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes * height);
    unsigned char header[54] = {'B', 'M'};
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, 54 + imageSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    header[26] = 1;
    header[28] = 24;
    put32(34, imageSize);
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) return 1;
    std::fwrite(header, 1, 54, out);
    std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes));
    for (long stored = 0; stored < height; ++stored) {
        long y = height - 1 - stored;
        long left = width / 50 + (y * 7 / (height + 1)) % 5;
        long right = width / 60 + (y * 3 / (height + 1));
        for (long x = 0; x < width; ++x) {
            long top = height / 45 + (x * 5 / (width + 1));
            long bottom = height / 55 + (x * 4 / (width + 1)) % 3;
            unsigned char* p = &row[static_cast<std::size_t>(3 * x)];
            bool bar = framed && (x < left || x >= width - right || y < top || y >= height - bottom);
            if (bar) {
                p[0] = 255, p[1] = 0, p[2] = 0;
            } else {
                p[0] = static_cast<unsigned char>((x * 3 + y) & 0xFF);
                p[1] = static_cast<unsigned char>((x ^ y) & 0xFF);
                p[2] = static_cast<unsigned char>(((x / 16) * (y / 16)) & 0xFF);
                if ((x % 97) == 0 || (y % 89) == 0) p[0] = p[1] = p[2] = 30;
            }
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
