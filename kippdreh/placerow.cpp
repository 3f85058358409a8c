// One source row's pixels placed in a part of a band in the source order:
// one by one, in runs, or by a fixed step at a quarter turn.
#include "placerow.hpp"

#include "bandoffsets.hpp"
#include "blackfill.hpp"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

namespace kippdreh {

namespace {

// The end of the run of pixels from i on that land side by side in one row:
// pixel j belongs to it while it lands in pixel i's row, j - i columns right.
std::int32_t runEndOneByOne(const std::int32_t* columns, const std::int32_t* targetRows, std::int32_t i,
                            std::int32_t count) {
    std::int32_t end = i + 1;
    while (end < count && targetRows[end] == targetRows[i] && columns[end] == columns[end - 1] + 1) ++end;
    return end;
}

// The same, eight pixels at a time where the processor has AVX2.
__attribute__((target("avx2"))) std::int32_t runEndAvx2(const std::int32_t* columns, const std::int32_t* targetRows,
                                                        std::int32_t i, std::int32_t count) {
    const __m256i row = _mm256_set1_epi32(targetRows[i]);
    const __m256i start = _mm256_set1_epi32(columns[i] - i);  // column - index, the same along the run
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    std::int32_t end = i + 1;
    for (; end + 8 <= count; end += 8) {
        const __m256i index = _mm256_add_epi32(_mm256_set1_epi32(end), lanes);
        const __m256i rows = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(targetRows + end));
        const __m256i cols = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + end));
        const __m256i shifted = _mm256_sub_epi32(cols, index);
        const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi32(rows, row), _mm256_cmpeq_epi32(shifted, start));
        const auto inRun = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(both)));
        if (inRun != 0xFF) return end + __builtin_ctz(~inRun);
    }
    return end < count ? runEndOneByOne(columns, targetRows, end - 1, count) : end;
}

// Whether any of the eight bytes is zero.
inline bool holdsZero(std::uint64_t word) {
    return ((word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL) != 0;
}

} // namespace

std::int32_t runEnd(const std::int32_t* columns, const std::int32_t* targetRows, std::int32_t i, std::int32_t count,
                    bool vectorForms) {
    return vectorForms ? runEndAvx2(columns, targetRows, i, count) : runEndOneByOne(columns, targetRows, i, count);
}

// A black pixel holds zero bytes: eight bytes without one are passed at once.
void fillBlackPixels(const unsigned char* run, std::size_t length, unsigned char* target, bool wordAtATime) {
    const std::size_t bytes = 3 * (length - 1);  // the pixels that may take the one after them
    std::size_t k = 0;  // the pixels before k are done
    for (std::size_t at = 0; wordAtATime && at + 8 <= bytes; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, run + at, 8);
        if (!holdsZero(word)) {
            k = std::max(k, (at + 8) / 3);  // no pixel that ends within these bytes is black
            continue;
        }
        for (; 3 * k < at + 8; ++k) fillLeftNeighbour(target + 3 * k, run + 3 * k + 3);
    }
    for (; k + 1 < length; ++k) fillLeftNeighbour(target + 3 * k, run + 3 * k + 3);
}

std::size_t placeEach(const TurnPass& pass, const BandPart& part, const unsigned char* pixel, std::int32_t count,
                      std::int32_t* columns, const std::int32_t* targetRows, unsigned char* band) {
    const std::int32_t lastRow = part.endRow - 1 - pass.geometry.marginY;
    const BandFrame frame{pass.geometry.marginX, lastRow,          part.endRow - part.firstRow,
                          pass.out.rowBytes,     part.firstColumn, part.endColumn};
    std::int32_t* const offsets = columns;  // each column is read before its offset replaces it
    const std::int32_t reached = bandOffsets(frame, columns, targetRows, count, offsets, pass.vectorForms);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t at = offsets[i];
        const unsigned char* from = pixel + 3 * static_cast<std::size_t>(i);
        if (at >= 0) {
            unsigned char* target = band + at;
            std::memcpy(target, from, 3);
            fillLeftNeighbour(target - 3, from);
        } else if (at != outsideBand) {
            std::memcpy(band + (firstColumnAt - at), from, 3);
        }
    }
    return static_cast<std::size_t>(reached);
}

// A small turn puts most source pixels just right of the one before: a run
// of pixels that land side by side in one output row moves as one piece. In
// the source order each of them would find its left neighbour holding the
// run's pixel before it, and replace it where that one is black; the first
// one's left neighbour lies outside the run and is tested in the band's bytes.
std::size_t placeInRuns(const TurnPass& pass, const BandPart& part, const unsigned char* pixel, std::int32_t count,
                        const std::int32_t* columns, const std::int32_t* targetRows, unsigned char* band) {
    const std::size_t rowBytes = static_cast<std::size_t>(pass.out.rowBytes);
    const std::int32_t marginX = pass.geometry.marginX;
    const std::int32_t lastRow = part.endRow - 1 - pass.geometry.marginY;  // band row = lastRow - target row
    const auto rows = static_cast<std::uint32_t>(part.endRow - part.firstRow);
    std::size_t furthest = 0;
    for (std::int32_t i = 0; i < count;) {
        const auto bandRow = static_cast<std::uint32_t>(lastRow - targetRows[i]);
        if (bandRow >= rows) {
            ++i;
            continue;
        }
        const std::int32_t end = runEnd(columns, targetRows, i, count, pass.vectorForms);
        const auto length = static_cast<std::size_t>(end - i);
        const auto column = static_cast<std::size_t>(columns[i] + marginX);
        unsigned char* target = band + bandRow * rowBytes + 3 * column;
        const unsigned char* run = pixel + 3 * static_cast<std::size_t>(i);
        std::memcpy(target, run, 3 * length);
        if (column > static_cast<std::size_t>(part.firstColumn)) fillLeftNeighbour(target - 3, run);
        fillBlackPixels(run, length, target, pass.vectorForms);
        furthest = std::max(furthest, static_cast<std::size_t>(target - band) + 3 * length);
        i = end;
    }
    return furthest;
}

std::size_t placeQuarterTurned(const TurnPass& pass, const BandPart& part, std::int32_t y, std::int32_t first,
                               std::int32_t count, const unsigned char* pixel, unsigned char* band) {
    // The row lands in one output column, pixel first + i in band row bandRow - i sin.
    const Turn& turn = pass.turn;
    const auto sine = static_cast<std::int32_t>(turn.sinT);
    const std::int64_t column = turn.hw + (static_cast<std::int64_t>(turn.hh) - y) * sine + pass.geometry.marginX;
    if (column < part.firstColumn || column > part.endColumn) return 0;
    const std::int64_t bandRow =
        part.endRow - 1 - pass.geometry.marginY - (turn.hh + (static_cast<std::int64_t>(first) - turn.hw) * sine);
    const std::int64_t lastBandRow = part.endRow - part.firstRow - 1;
    // The i with 0 <= bandRow - i sin <= lastBandRow.
    const std::int64_t from = std::max<std::int64_t>(0, sine > 0 ? bandRow - lastBandRow : -bandRow);
    const std::int64_t end = std::min<std::int64_t>(count, sine > 0 ? bandRow + 1 : lastBandRow - bandRow + 1);
    if (from >= end) return 0;
    const std::int64_t rowBytes = pass.out.rowBytes;
    const std::int64_t step = -sine * rowBytes;
    const std::int64_t firstAt = (bandRow - from * sine) * rowBytes + 3 * column;
    const bool fills = column > part.firstColumn;
    unsigned char* target = band + firstAt;
    for (std::int64_t i = from; i < end; ++i, target += step) {
        const unsigned char* source = pixel + 3 * i;
        std::memcpy(target, source, 3);
        if (fills) fillLeftNeighbour(target - 3, source);
    }
    return static_cast<std::size_t>(std::max(firstAt, firstAt + (end - 1 - from) * step) + 3);
}

} // namespace kippdreh
