// The GeoTIFF's pixels: each output row is its source row, from blue, green,
// red to red, green, blue and alpha. Pure black reaching in from either end
// of a row is outside the map (the corners a turned scan was filled with),
// and transparent; black inside the map keeps its alpha.
#include "exportrun.hpp"

#include "bmpheader.hpp"
#include "bytefile.hpp"
#include "checked.hpp"
#include "passoptions.hpp"

#include <algorithm>
#include <cstring>
#include <immintrin.h>
#include <vector>

namespace passnetz {

namespace {

// The index of the first byte that is not zero, or count.
std::size_t firstNonZero(const unsigned char* bytes, std::size_t count) {
    std::size_t at = 0;
    for (; at + 8 <= count; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        if (word != 0) break;
    }
    while (at < count && bytes[at] == 0) ++at;
    return at;
}

// One past the last byte that is not zero, or 0.
std::size_t endOfNonZero(const unsigned char* bytes, std::size_t count) {
    std::size_t end = count;
    for (; end >= 8; end -= 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + end - 8, 8);
        if (word != 0) break;
    }
    while (end > 0 && bytes[end - 1] == 0) --end;
    return end;
}

// Pixels one at a time, from a pixel on: to rgba in order, or from its end backwards.
void convertEach(const unsigned char* bgr, std::size_t from, std::size_t count, bool mirrored, unsigned char* rgba) {
    for (std::size_t x = from; x < count; ++x) {
        unsigned char* to = rgba + 4 * (mirrored ? count - 1 - x : x);
        to[0] = bgr[3 * x + 2], to[1] = bgr[3 * x + 1], to[2] = bgr[3 * x], to[3] = 255;
    }
}

// Four pixels at a time in words: three words of blue, green, red in, four of
// red, green, blue, alpha out; the mirrored form one pixel at a time.
void convertInWords(const unsigned char* bgr, std::size_t count, bool mirrored, unsigned char* rgba) {
    std::size_t x = 0;
    for (; !mirrored && x + 4 <= count; x += 4) {
        std::uint32_t w[3];
        std::memcpy(w, bgr + 3 * x, sizeof w);
        const std::uint32_t out[4] = {
            ((w[0] >> 16) & 0xffu) | (w[0] & 0xff00u) | ((w[0] & 0xffu) << 16) | 0xff000000u,
            ((w[1] >> 8) & 0xffu) | ((w[1] & 0xffu) << 8) | ((w[0] >> 24) << 16) | 0xff000000u,
            (w[2] & 0xffu) | ((w[1] >> 24) << 8) | (((w[1] >> 16) & 0xffu) << 16) | 0xff000000u,
            (w[2] >> 24) | (((w[2] >> 16) & 0xffu) << 8) | (((w[2] >> 8) & 0xffu) << 16) | 0xff000000u,
        };
        std::memcpy(rgba + 4 * x, out, sizeof out);
    }
    convertEach(bgr, x, count, mirrored, rgba);
}

// Eight pixels at a time where the processor has AVX2: each half of the
// register takes four pixels (twelve bytes of a sixteen-byte load) and
// shuffles them into place, alpha added by one OR. The loads reach four bytes
// past the eight pixels, so the last pixels of a row go one at a time.
__attribute__((target("avx2"))) void convertAvx2(const unsigned char* bgr, std::size_t count, bool mirrored,
                                                 unsigned char* rgba) {
    const __m256i inOrder = _mm256_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1,  //
                                             2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m256i backwards = _mm256_setr_epi8(11, 10, 9, -1, 8, 7, 6, -1, 5, 4, 3, -1, 2, 1, 0, -1,  //
                                               11, 10, 9, -1, 8, 7, 6, -1, 5, 4, 3, -1, 2, 1, 0, -1);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xff000000u));
    const __m256i order = mirrored ? backwards : inOrder;
    std::size_t x = 0;
    for (; 3 * x + 28 <= 3 * count; x += 8) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 3 * x));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 3 * x + 12));
        // Mirrored, the later four pixels come first.
        const __m256i both = mirrored ? _mm256_inserti128_si256(_mm256_castsi128_si256(second), first, 1)
                                      : _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1);
        const __m256i out = _mm256_or_si256(_mm256_shuffle_epi8(both, order), alpha);
        unsigned char* to = rgba + 4 * (mirrored ? count - 8 - x : x);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), out);
    }
    convertEach(bgr, x, count, mirrored, rgba);
}

} // namespace

void tiffRow(const unsigned char* bgr, std::int32_t width, bool mirrored, unsigned char* rgba, bool vectorForms) {
    // A black pixel is three zero bytes, and transparent black is four: the
    // black from either end is found as zero bytes and written as zero bytes.
    const auto count = static_cast<std::size_t>(width);
    const std::size_t first = firstNonZero(bgr, 3 * count) / 3;
    const std::size_t end = first == count ? count : (endOfNonZero(bgr, 3 * count) + 2) / 3;
    const std::size_t before = mirrored ? count - end : first;  // transparent pixels before the map's
    std::memset(rgba, 0, 4 * before);
    unsigned char* const map = rgba + 4 * before;
    if (vectorForms) {
        convertAvx2(bgr + 3 * first, end - first, mirrored, map);
    } else {
        convertInWords(bgr + 3 * first, end - first, mirrored, map);
    }
    std::memset(map + 4 * (end - first), 0, 4 * (count - end + first - before));
}

namespace {

// Source rows in runs: about this many bytes read at once.
constexpr std::int32_t windowBytes = std::int32_t{1} << 18;

// A run of neighbouring source rows as the file holds them, bottom-up; what
// lies past the file's end is black. The run is read in the direction the
// output walks the picture, so each source byte is read once.
struct SourceWindow {
    const ByteFile& picture;
    const BmpLayout& layout;
    bool downwards;  // the output walks the picture from its top row to its bottom row
    std::int32_t capacity;  // rows
    std::vector<unsigned char> bytes;
    std::int32_t first = 0;  // the rows held, top-down: first to end - 1
    std::int32_t end = 0;
};

void readRun(SourceWindow& window, std::int32_t first, std::int32_t end) {
    const BmpLayout& layout = window.layout;
    // The run's lowest row comes first in the file; its top row ends with its last pixel.
    const std::int32_t offset = checkedAdd(layout.dataOffset, checkedMul(layout.rowBytes, layout.height - end));
    const auto bytes = static_cast<std::size_t>(
        checkedAdd(checkedMul(layout.rowBytes, end - first - 1), checkedMul(3, layout.width)));
    std::size_t got = 0;
    while (got < bytes) {
        int error = 0;
        const std::int64_t count =
            window.picture.tryReadAt(offset + static_cast<std::int64_t>(got), window.bytes.data() + got, bytes - got, error);
        if (count < 0) raiseIoFailure(error);
        if (count == 0) break;
        got += static_cast<std::size_t>(count);
    }
    std::memset(window.bytes.data() + got, 0, bytes - got);
    window.first = first;
    window.end = end;
}

// The source row's pixels, read with the rows that follow it in the output's direction.
const unsigned char* sourceRow(SourceWindow& window, std::int32_t row) {
    if (row < window.first || row >= window.end) {
        if (window.downwards) {
            readRun(window, row, row + std::min(window.capacity, window.layout.height - row));
        } else {
            readRun(window, row + 1 - std::min(window.capacity, row + 1), row + 1);
        }
    }
    return window.bytes.data() + static_cast<std::size_t>(window.layout.rowBytes) *
                                     static_cast<std::size_t>(window.end - 1 - row);
}

// The rows go to the file in pieces that end where a mebibyte of the file
// ends: the file system then takes whole pages, and large ones, instead of
// a page split between two writes at every piece.
constexpr std::uint64_t pieceBytes = std::uint64_t{1} << 20;

// The output rows on their way to the file: bytes[0] is at offset base, the
// bytes before pending are written.
struct Stage {
    std::vector<unsigned char> bytes;
    std::uint64_t base = 0;
    std::size_t pending = 0;
    std::size_t filled = 0;
    std::size_t lastRow = 0;  // where the row built last begins
};

// Writes what lies before the last piece's end that the rows reached, and
// moves what follows to the front, the last row whole, so that a row that
// repeats it can still be copied.
void writeWholePieces(Stage& stage, ByteFile& output) {
    const std::uint64_t reached = stage.base + stage.filled;
    const std::uint64_t pieceEnd = reached - reached % pieceBytes;
    if (pieceEnd <= stage.base + stage.pending) return;
    const auto upTo = static_cast<std::size_t>(pieceEnd - stage.base);
    output.writeAt(static_cast<std::int64_t>(stage.base + stage.pending), stage.bytes.data() + stage.pending,
                   upTo - stage.pending);
    stage.pending = upTo;
    const std::size_t keep = std::min(stage.lastRow, stage.pending);
    std::memmove(stage.bytes.data(), stage.bytes.data() + keep, stage.filled - keep);
    stage.base += keep;
    stage.filled -= keep;
    stage.pending -= keep;
    stage.lastRow -= keep;
}

} // namespace

void writeTiffPixels(const ByteFile& picture, const BmpLayout& layout, const GeoRaster& raster, ByteFile& output,
                     std::uint64_t pixelsStart) {
    const bool vectorForms = usesVectorForms(defaultPassOptions());
    const std::uint64_t rowBytes = tiffRowBytes(raster);
    const std::int32_t capacity = std::max(1, windowBytes / layout.rowBytes);
    SourceWindow window{picture, layout, raster.sourceRows.front() <= raster.sourceRows.back(), capacity,
                        std::vector<unsigned char>(static_cast<std::size_t>(checkedMul(capacity, layout.rowBytes)))};
    // Between two writes the stage holds less than a piece and a row, and at
    // most one row more than that.
    Stage stage{std::vector<unsigned char>(checkedNarrow<std::size_t>(pieceBytes + 2 * rowBytes)), pixelsStart};
    const auto row = static_cast<std::size_t>(rowBytes);
    // One thread: the kernel's reads and writes take most of the time, and
    // the page's build of the tools has no helper threads.
    for (std::size_t k = 0; k < raster.sourceRows.size(); ++k) {
        unsigned char* const into = stage.bytes.data() + stage.filled;
        // Neighbouring output rows often show one source row: it is converted once.
        const std::int32_t source = raster.sourceRows[k];
        if (k > 0 && source == raster.sourceRows[k - 1]) {
            std::memcpy(into, stage.bytes.data() + stage.lastRow, row);
        } else {
            tiffRow(sourceRow(window, source), layout.width, raster.mirrored, into, vectorForms);
        }
        stage.lastRow = stage.filled;
        stage.filled += row;
        writeWholePieces(stage, output);
    }
    output.writeAt(static_cast<std::int64_t>(stage.base + stage.pending), stage.bytes.data() + stage.pending,
                   stage.filled - stage.pending);
}

} // namespace passnetz
