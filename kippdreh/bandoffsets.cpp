// Targets turned into offsets in a band, eight at a time with AVX2, four at
// a time in WebAssembly, or one by one; all forms give the same offsets.
#include "bandoffsets.hpp"

#include <algorithm>
#include <immintrin.h>
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

namespace kippdreh {

namespace {

inline std::int32_t bandOffset(const BandFrame& f, std::int32_t column, std::int32_t targetRow, std::int32_t& reached) {
    const std::int32_t bandRow = f.lastRow - targetRow;
    const std::int32_t x = column + f.marginX;
    if (static_cast<std::uint32_t>(bandRow) >= static_cast<std::uint32_t>(f.rows) || x < f.firstColumn ||
        x > f.endColumn) {
        return outsideBand;
    }
    const std::int32_t at = bandRow * f.rowBytes + 3 * x;
    reached = std::max(reached, at + 3);
    return x == f.firstColumn ? firstColumnAt - at : at;
}

// Eight targets at a time, where the processor has AVX2. Lanes outside the
// part may overflow in their products; their offsets are not used.
__attribute__((target("avx2"))) std::int32_t bandOffsetsAvx2(const BandFrame& f, const std::int32_t* columns,
                                                             const std::int32_t* targetRows, std::int32_t count,
                                                             std::int32_t* offsets) {
    const __m256i marginX = _mm256_set1_epi32(f.marginX);
    const __m256i lastRow = _mm256_set1_epi32(f.lastRow);
    const __m256i lastBandRow = _mm256_set1_epi32(f.rows - 1);
    const __m256i rowBytes = _mm256_set1_epi32(f.rowBytes);
    const __m256i first = _mm256_set1_epi32(f.firstColumn);
    const __m256i end = _mm256_set1_epi32(f.endColumn);
    const __m256i three = _mm256_set1_epi32(3);
    const __m256i outside = _mm256_set1_epi32(outsideBand);
    const __m256i edge = _mm256_set1_epi32(firstColumnAt);
    const __m256i zero = _mm256_setzero_si256();
    __m256i furthest = outside;
    std::int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i x = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i)), marginX);
        const __m256i bandRow =
            _mm256_sub_epi32(lastRow, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(targetRows + i)));
        const __m256i beyondRows =
            _mm256_or_si256(_mm256_cmpgt_epi32(zero, bandRow), _mm256_cmpgt_epi32(bandRow, lastBandRow));
        const __m256i beyondColumns = _mm256_or_si256(_mm256_cmpgt_epi32(first, x), _mm256_cmpgt_epi32(x, end));
        const __m256i beyond = _mm256_or_si256(beyondRows, beyondColumns);
        const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(bandRow, rowBytes), _mm256_mullo_epi32(x, three));
        const __m256i placed = _mm256_blendv_epi8(at, _mm256_sub_epi32(edge, at), _mm256_cmpeq_epi32(x, first));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets + i), _mm256_blendv_epi8(placed, outside, beyond));
        furthest = _mm256_max_epi32(furthest, _mm256_blendv_epi8(at, outside, beyond));
    }
    alignas(32) std::int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), furthest);
    std::int32_t reached = 0;
    for (const std::int32_t lane : lanes) reached = lane >= 0 ? std::max(reached, lane + 3) : reached;
    for (; i < count; ++i) offsets[i] = bandOffset(f, columns[i], targetRows[i], reached);
    return reached;
}

#if defined(__wasm_simd128__)
// Four targets at a time with WebAssembly's own vectors, which every browser
// that runs the page has: there the plain form. Lanes outside the part may
// overflow in their products, as above.
std::int32_t bandOffsetsSimd128(const BandFrame& f, const std::int32_t* columns, const std::int32_t* targetRows,
                                std::int32_t count, std::int32_t* offsets) {
    const v128_t marginX = wasm_i32x4_splat(f.marginX);
    const v128_t lastRow = wasm_i32x4_splat(f.lastRow);
    const v128_t lastBandRow = wasm_i32x4_splat(f.rows - 1);
    const v128_t rowBytes = wasm_i32x4_splat(f.rowBytes);
    const v128_t first = wasm_i32x4_splat(f.firstColumn);
    const v128_t end = wasm_i32x4_splat(f.endColumn);
    const v128_t three = wasm_i32x4_splat(3);
    const v128_t outside = wasm_i32x4_splat(outsideBand);
    const v128_t edge = wasm_i32x4_splat(firstColumnAt);
    const v128_t zero = wasm_i32x4_splat(0);
    v128_t furthest = outside;
    std::int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const v128_t x = wasm_i32x4_add(wasm_v128_load(columns + i), marginX);
        const v128_t bandRow = wasm_i32x4_sub(lastRow, wasm_v128_load(targetRows + i));
        const v128_t beyond = wasm_v128_or(wasm_v128_or(wasm_i32x4_gt(zero, bandRow), wasm_i32x4_gt(bandRow, lastBandRow)),
                                           wasm_v128_or(wasm_i32x4_gt(first, x), wasm_i32x4_gt(x, end)));
        const v128_t at = wasm_i32x4_add(wasm_i32x4_mul(bandRow, rowBytes), wasm_i32x4_mul(x, three));
        const v128_t placed = wasm_v128_bitselect(wasm_i32x4_sub(edge, at), at, wasm_i32x4_eq(x, first));
        wasm_v128_store(offsets + i, wasm_v128_bitselect(outside, placed, beyond));
        furthest = wasm_i32x4_max(furthest, wasm_v128_bitselect(outside, at, beyond));
    }
    std::int32_t reached = 0;
    const std::int32_t lanes[4] = {wasm_i32x4_extract_lane(furthest, 0), wasm_i32x4_extract_lane(furthest, 1),
                                   wasm_i32x4_extract_lane(furthest, 2), wasm_i32x4_extract_lane(furthest, 3)};
    for (const std::int32_t lane : lanes) reached = lane >= 0 ? std::max(reached, lane + 3) : reached;
    for (; i < count; ++i) offsets[i] = bandOffset(f, columns[i], targetRows[i], reached);
    return reached;
}
#endif

} // namespace

std::int32_t bandOffsets(const BandFrame& frame, const std::int32_t* columns, const std::int32_t* targetRows,
                         std::int32_t count, std::int32_t* offsets, bool vectorForms) {
    if (vectorForms) return bandOffsetsAvx2(frame, columns, targetRows, count, offsets);
#if defined(__wasm_simd128__)
    return bandOffsetsSimd128(frame, columns, targetRows, count, offsets);
#endif
    std::int32_t reached = 0;
    for (std::int32_t i = 0; i < count; ++i) offsets[i] = bandOffset(frame, columns[i], targetRows[i], reached);
    return reached;
}

} // namespace kippdreh
