// Where each source pixel lands: the polar form decides, the direct form
// stands in wherever it provably rounds alike.
#include "turn.hpp"

#include "checked.hpp"
#include "extendedmath.hpp"
#include "realmath.hpp"

#include <algorithm>
#include <cmath>
#include <immintrin.h>

namespace kippdreh {

// The polar form, with the storage points that decide the rounding: radius,
// angle and the turned angle are stored as doubles, and so are X and Y before
// they are rounded half to even.
void turnExactly(const Turn& turn, std::int32_t x, std::int32_t y, std::int32_t& column, std::int32_t& row) {
    double a = checkedSub(x, turn.hw);
    double b = checkedSub(turn.hh, y);
    double r = storeDouble(extendedSqrt(static_cast<extended>(a) * a + static_cast<extended>(b) * b));
    double phi;
    if (a != 0.0) {
        phi = storeDouble(arctangentX87(static_cast<extended>(b) / a));
    } else {
        phi = y < turn.hh ? storeDouble(extendedPi / 2.0L) : storeDouble(-extendedPi / 2.0L);
    }
    phi = storeDouble(static_cast<extended>(phi) - turn.angle);
    double X = storeDouble(r * cosineX87(phi));
    double Y = storeDouble(r * sineX87(phi));
    if (x < turn.hw) {
        X = -X;
        Y = -Y;
    }
    column = checkedAdd(turn.hw, roundToInt32(X));
    row = checkedSub(turn.hh, roundToInt32(Y));
}

namespace {

// The direct form X = a cos t + b sin t, Y = b cos t - a sin t, in doubles.
//
// Why it may stand in. Let rho = |(a, b)| < 2^17 (both below 65536) and let
// X* be the true value of the direct form for the stored angle t.
//  - Polar form: r = sqrt(a^2 + b^2) is exact before its rounding to double,
//    so |r - rho| <= rho 2^-52. The angle atan(b / a) stored as a double lies
//    within 2^-53 + 2^-60 of the true one (it is below 2 in magnitude), and
//    its difference with t (below 4) within 2^-52 + 2^-61 more: less than
//    2^-51 in all. cos and sin in extended precision add 2^-62 at most, the
//    product's rounding to double at most rho 2^-53. Hence |X - X*| <=
//    rho (2^-52 + 2^-51 + 2^-62 + 2^-53) < rho 2^-50 < 2^-33, and alike for Y.
//  - Direct form: cos t and sin t rounded to doubles are within 2^-52 of the
//    true values; the products a c and b s and their sum are each rounded
//    once. So |Xd - X*| <= (|a| + |b|) (2^-52 + 2^-53 + 2^-53) < 2^-34.
// So when Xd lies more than 2^-30 from every half-integer, X lies on the same
// side of it, neither can be a tie, and both round to the same integer.
// Otherwise the polar form decides. (Near 2^17 a double still resolves
// 2^-35, so the distance to the nearest integer is computed exactly.)
constexpr double filterLimit = 0.5 - 0x1p-30;

// Round half to even for |v| < 2^51: the addition leaves no fraction bits.
inline double nearestWhole(double v) {
    constexpr double shift = 0x1.8p52;
    return (v + shift) - shift;
}

} // namespace

Turn turnAbout(std::int32_t hw, std::int32_t hh, double angle) {
    return {hw, hh, angle, storeDouble(cosineX87(angle)), storeDouble(sineX87(angle))};
}

namespace {

// The direct form for the pixels a = aFirst, aFirst + 1, ... of one row.
struct DirectForm {
    double cosT;
    double sinT;
    double bSin;
    double bCos;
    std::int32_t hw;
    std::int32_t hh;
};

// Targets of count pixels, two at a time; true when one lies near a rounding boundary.
bool directFormSse2(const DirectForm& f, double aFirst, std::int32_t count, std::int32_t* tx, std::int32_t* ty) {
    const __m128d cosines = _mm_set1_pd(f.cosT);
    const __m128d sines = _mm_set1_pd(f.sinT);
    const __m128d bSines = _mm_set1_pd(f.bSin);
    const __m128d bCosines = _mm_set1_pd(f.bCos);
    const __m128d shift = _mm_set1_pd(0x1.8p52);
    const __m128d limit = _mm_set1_pd(filterLimit);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m128i centreColumn = _mm_set1_epi32(f.hw);
    const __m128i centreRow = _mm_set1_epi32(f.hh);
    __m128d nearAny = _mm_setzero_pd();
    __m128d a = _mm_set_pd(aFirst + 1, aFirst);
    for (std::int32_t i = 0; i < count; i += 2, a = _mm_add_pd(a, _mm_set1_pd(2.0))) {
        const __m128d X = _mm_add_pd(_mm_mul_pd(a, cosines), bSines);
        const __m128d Y = _mm_sub_pd(bCosines, _mm_mul_pd(a, sines));
        const __m128d roundX = _mm_sub_pd(_mm_add_pd(X, shift), shift);
        const __m128d roundY = _mm_sub_pd(_mm_add_pd(Y, shift), shift);
        nearAny = _mm_or_pd(nearAny, _mm_cmpge_pd(_mm_and_pd(_mm_sub_pd(X, roundX), magnitude), limit));
        nearAny = _mm_or_pd(nearAny, _mm_cmpge_pd(_mm_and_pd(_mm_sub_pd(Y, roundY), magnitude), limit));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(tx + i), _mm_add_epi32(centreColumn, _mm_cvttpd_epi32(roundX)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(ty + i), _mm_sub_epi32(centreRow, _mm_cvttpd_epi32(roundY)));
    }
    return _mm_movemask_pd(nearAny) != 0;
}

// The same four at a time, where the processor has AVX2: the same roundings.
__attribute__((target("avx2"))) bool directFormAvx2(const DirectForm& f, double aFirst, std::int32_t count,
                                                    std::int32_t* tx, std::int32_t* ty) {
    const __m256d cosines = _mm256_set1_pd(f.cosT);
    const __m256d sines = _mm256_set1_pd(f.sinT);
    const __m256d bSines = _mm256_set1_pd(f.bSin);
    const __m256d bCosines = _mm256_set1_pd(f.bCos);
    const __m256d shift = _mm256_set1_pd(0x1.8p52);
    const __m256d limit = _mm256_set1_pd(filterLimit);
    const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m128i centreColumn = _mm_set1_epi32(f.hw);
    const __m128i centreRow = _mm_set1_epi32(f.hh);
    __m256d nearAny = _mm256_setzero_pd();
    __m256d a = _mm256_set_pd(aFirst + 3, aFirst + 2, aFirst + 1, aFirst);
    for (std::int32_t i = 0; i < count; i += 4, a = _mm256_add_pd(a, _mm256_set1_pd(4.0))) {
        const __m256d X = _mm256_add_pd(_mm256_mul_pd(a, cosines), bSines);
        const __m256d Y = _mm256_sub_pd(bCosines, _mm256_mul_pd(a, sines));
        const __m256d roundX = _mm256_sub_pd(_mm256_add_pd(X, shift), shift);
        const __m256d roundY = _mm256_sub_pd(_mm256_add_pd(Y, shift), shift);
        nearAny = _mm256_or_pd(nearAny, _mm256_cmp_pd(_mm256_and_pd(_mm256_sub_pd(X, roundX), magnitude), limit, _CMP_GE_OQ));
        nearAny = _mm256_or_pd(nearAny, _mm256_cmp_pd(_mm256_and_pd(_mm256_sub_pd(Y, roundY), magnitude), limit, _CMP_GE_OQ));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(tx + i), _mm_add_epi32(centreColumn, _mm256_cvttpd_epi32(roundX)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(ty + i), _mm_sub_epi32(centreRow, _mm256_cvttpd_epi32(roundY)));
    }
    return _mm256_movemask_pd(nearAny) != 0;
}

} // namespace

bool turnsByQuarter(const Turn& turn) { return std::fabs(turn.sinT) == 1.0 && std::fabs(turn.cosT) < 0x1p-40; }

void turnRun(const Turn& turn, std::int32_t y, std::int32_t first, std::int32_t end, std::int32_t* columns,
             std::int32_t* rows, bool vectorForms) {
    const double b = turn.hh - y;
    const DirectForm form{turn.cosT, turn.sinT, b * turn.sinT, b * turn.cosT, turn.hw, turn.hh};
    const bool fourAtATime = vectorForms;
    const std::int32_t step = fourAtATime ? 4 : 2;
    // The direct form, several pixels at a time; then, in the rare chunk that
    // has a pixel near a rounding boundary, the polar form for those pixels.
    constexpr std::int32_t chunk = 256;
    for (std::int32_t from = first; from < end; from += chunk) {
        const std::int32_t count = std::min(chunk, end - from);
        std::int32_t* tx = columns + (from - first);
        std::int32_t* ty = rows + (from - first);
        const double aFirst = from - turn.hw;
        const std::int32_t whole = count / step * step;
        bool near = fourAtATime ? directFormAvx2(form, aFirst, whole, tx, ty) : directFormSse2(form, aFirst, whole, tx, ty);
        for (std::int32_t i = whole; i < count; ++i) {
            const double a = aFirst + i;
            const double X = a * form.cosT + form.bSin;
            const double Y = form.bCos - a * form.sinT;
            const double roundX = nearestWhole(X);
            const double roundY = nearestWhole(Y);
            near = near || std::fabs(X - roundX) >= filterLimit || std::fabs(Y - roundY) >= filterLimit;
            tx[i] = turn.hw + static_cast<std::int32_t>(roundX);
            ty[i] = turn.hh - static_cast<std::int32_t>(roundY);
        }
        if (!near) continue;
        for (std::int32_t i = 0; i < count; ++i) {
            const double a = aFirst + i;
            const double X = a * form.cosT + form.bSin;
            const double Y = form.bCos - a * form.sinT;
            if (std::fabs(X - nearestWhole(X)) >= filterLimit || std::fabs(Y - nearestWhole(Y)) >= filterLimit) {
                turnExactly(turn, from + i, y, tx[i], ty[i]);
            }
        }
    }
}

} // namespace kippdreh
