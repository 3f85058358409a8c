#include "turn.hpp"

#include "checked.hpp"
#include "extendedmath.hpp"
#include "realmath.hpp"

#include <algorithm>
#include <cmath>
#include <emmintrin.h>

namespace kippdreh {

namespace {

// The turn in its polar form, with the storage points that decide the
// rounding: radius, angle and the turned angle are stored as doubles, and so
// are X and Y before they are rounded half to even.
void turnExactly(const Turn& turn, std::int32_t x, std::int32_t y, std::int32_t& column, std::int32_t& row) {
    double a = checkedSub(x, turn.hw);
    double b = checkedSub(turn.hh, y);
    double r = storeDouble(std::sqrt(static_cast<long double>(a) * a + static_cast<long double>(b) * b));
    double phi;
    if (a != 0.0) {
        phi = storeDouble(arctangentX87(static_cast<long double>(b) / a));
    } else {
        phi = y < turn.hh ? storeDouble(extendedPi / 2.0L) : storeDouble(-extendedPi / 2.0L);
    }
    phi = storeDouble(static_cast<long double>(phi) - turn.angle);
    double X = storeDouble(r * cosineX87(phi));
    double Y = storeDouble(r * sineX87(phi));
    if (x < turn.hw) {
        X = -X;
        Y = -Y;
    }
    column = checkedAdd(turn.hw, roundToInt32(X));
    row = checkedSub(turn.hh, roundToInt32(Y));
}

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

void turnRun(const Turn& turn, std::int32_t y, std::int32_t first, std::int32_t end, std::int32_t* columns,
             std::int32_t* rows) {
    const double cosT = turn.cosT;
    const double sinT = turn.sinT;
    const std::int32_t hw = turn.hw;
    const std::int32_t hh = turn.hh;
    const double b = hh - y;
    const double bSin = b * sinT;
    const double bCos = b * cosT;
    // A first loop in the direct form, two pixels at a time; then, in the
    // rare chunk that has a pixel near a rounding boundary, the polar form
    // for those pixels. The vector operations round exactly as the scalar ones.
    constexpr std::int32_t chunk = 256;
    const __m128d cosines = _mm_set1_pd(cosT);
    const __m128d sines = _mm_set1_pd(sinT);
    const __m128d bSines = _mm_set1_pd(bSin);
    const __m128d bCosines = _mm_set1_pd(bCos);
    const __m128d shift = _mm_set1_pd(0x1.8p52);
    const __m128d limit = _mm_set1_pd(filterLimit);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m128i centreColumn = _mm_set1_epi32(hw);
    const __m128i centreRow = _mm_set1_epi32(hh);
    for (std::int32_t from = first; from < end; from += chunk) {
        const std::int32_t count = std::min(chunk, end - from);
        std::int32_t* tx = columns + (from - first);
        std::int32_t* ty = rows + (from - first);
        const double aFirst = from - hw;
        __m128d nearAny = _mm_setzero_pd();
        __m128d a = _mm_set_pd(aFirst + 1, aFirst);
        std::int32_t i = 0;
        for (; i + 2 <= count; i += 2, a = _mm_add_pd(a, _mm_set1_pd(2.0))) {
            const __m128d X = _mm_add_pd(_mm_mul_pd(a, cosines), bSines);
            const __m128d Y = _mm_sub_pd(bCosines, _mm_mul_pd(a, sines));
            const __m128d roundX = _mm_sub_pd(_mm_add_pd(X, shift), shift);
            const __m128d roundY = _mm_sub_pd(_mm_add_pd(Y, shift), shift);
            nearAny = _mm_or_pd(nearAny, _mm_cmpge_pd(_mm_and_pd(_mm_sub_pd(X, roundX), magnitude), limit));
            nearAny = _mm_or_pd(nearAny, _mm_cmpge_pd(_mm_and_pd(_mm_sub_pd(Y, roundY), magnitude), limit));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(tx + i), _mm_add_epi32(centreColumn, _mm_cvttpd_epi32(roundX)));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(ty + i), _mm_sub_epi32(centreRow, _mm_cvttpd_epi32(roundY)));
        }
        bool near = _mm_movemask_pd(nearAny) != 0;
        for (; i < count; ++i) {
            const double aLast = aFirst + i;
            const double X = aLast * cosT + bSin;
            const double Y = bCos - aLast * sinT;
            const double roundX = nearestWhole(X);
            const double roundY = nearestWhole(Y);
            near = near || std::fabs(X - roundX) >= filterLimit || std::fabs(Y - roundY) >= filterLimit;
            tx[i] = hw + static_cast<std::int32_t>(roundX);
            ty[i] = hh - static_cast<std::int32_t>(roundY);
        }
        if (!near) continue;
        for (std::int32_t k = 0; k < count; ++k) {
            const double aNear = aFirst + k;
            const double X = aNear * cosT + bSin;
            const double Y = bCos - aNear * sinT;
            if (std::fabs(X - nearestWhole(X)) >= filterLimit || std::fabs(Y - nearestWhole(Y)) >= filterLimit) {
                turnExactly(turn, from + k, y, tx[k], ty[k]);
            }
        }
    }
}

} // namespace kippdreh
