// The x87's FSIN, FCOS and FPATAN for the software extended type.
//
// FSIN and FCOS reduce their argument by the unit's own pi, the 66 bits
// 0x3.243F6A8885A308D3, not by pi itself: beyond pi/4 the argument's
// distance to the nearest multiple of that pi/2 is taken exactly and the
// function computed on it, so near a multiple of pi/2 (a turn by 90
// degrees) the result keeps the unit's few bits. Here the distance is taken
// in quad precision (exact: 64 and 66 bits within 113), the function in quad
// precision by the C library (within an ulp of 113 bits) and rounded once to
// the 64-bit mantissa. That is the correctly rounded value of the reduced
// argument; the unit is not correctly rounded everywhere, and where the
// measurement over every argument a user reaches found that to change a
// stored double, the unit's own result is listed below and taken.
#if !defined(__x86_64__) && !defined(__i386__)

#include "extendedmath.hpp"

#include <cmath>
#include <cstdint>

namespace {

constexpr long double halfPiOfTheUnit = 0x3243F6A8885A308D3p-65L;

enum class Function { Sine, Cosine };

// FPATAN's own results where the correctly rounded arctangent would store
// another double, for every x= and y= shift up to 2000 on every size up to
// 10000 (the argument 2 shift / size; found by the probe beside the
// arithmetic's tests: x87trig_probe candidates natively, then check here).
struct UnitResult {
    std::uint16_t argumentTop;
    std::uint64_t argumentMantissa;
    std::uint16_t resultTop;
    std::uint64_t resultMantissa;
};
constexpr UnitResult unitArctangents[] = {
    {0x3FFB, 0x96FEABBAE1F5E5F3u, 0x3FFB, 0x96B8DBCBD3148C00u},  // 2 * 71 / 1926
    {0x3FFC, 0xF7A3070F507B624Bu, 0x3FFC, 0xF2F8D06240629C00u},  // 2 * 285 / 2357
    {0x3FFD, 0xF67BCEA0BDF35FD3u, 0x3FFD, 0xE5B7D0496ACCFBFFu},  // 2 * 654 / 2717
    {0x3FFE, 0xBC981615313DB507u, 0x3FFE, 0xA28AE42085FCABFFu},  // 2 * 1059 / 2875
    {0x3FFE, 0xD69477FF5B48F292u, 0x3FFE, 0xB2964266ACB0DC00u},  // 2 * 1334 / 3183
    {0x3FFE, 0xD5A1FBCEE55A1FBDu, 0x3FFE, 0xB20793F0E487CC00u},  // 2 * 1427 / 3420
    {0x3FFB, 0x96FEABBAE1F5E5F3u, 0x3FFB, 0x96B8DBCBD3148C00u},  // 2 * 142 / 3852
    {0x3FFE, 0x80083E577567E19Au, 0x3FFD, 0xED70688B7EDC8BFFu},  // 2 * 994 / 3975
    {0x3FFC, 0xFE2937FE7A634E30u, 0x3FFC, 0xF92069596BD0FC00u},  // 2 * 501 / 4037
    {0x3FFD, 0xB355871565808DCAu, 0x3FFD, 0xAC7F388B18038400u},  // 2 * 769 / 4391
    {0x3FFC, 0xF7A3070F507B624Bu, 0x3FFC, 0xF2F8D06240629C00u},  // 2 * 570 / 4714
    {0x3FFD, 0xF67BCEA0BDF35FD3u, 0x3FFD, 0xE5B7D0496ACCFBFFu},  // 2 * 1308 / 5434
    {0x3FFD, 0xE33B7D4BC25FE45Eu, 0x3FFD, 0xD5DC65A21F8BD400u},  // 2 * 1250 / 5633
    {0x3FFB, 0x96FEABBAE1F5E5F3u, 0x3FFB, 0x96B8DBCBD3148C00u},  // 2 * 213 / 5778
    {0x3FFE, 0x85DFD4FE655C09E2u, 0x3FFD, 0xF6B334187699C400u},  // 2 * 1544 / 5905
    {0x3FFB, 0xCB7D77C18D3B70ACu, 0x3FFB, 0xCAD30BA032E55401u},  // 2 * 334 / 6723
    {0x3FFC, 0xF7A3070F507B624Bu, 0x3FFC, 0xF2F8D06240629C00u},  // 2 * 855 / 7071
    {0x3FFC, 0xA13CB74368FBEEDEu, 0x3FFC, 0x9FEC939E9A16CBFFu},  // 2 * 560 / 7113
    {0x3FFC, 0xB8CCF73AC4D11BF8u, 0x3FFC, 0xB6D52B6BAE674400u},  // 2 * 669 / 7414
    {0x3FFB, 0x96FEABBAE1F5E5F3u, 0x3FFB, 0x96B8DBCBD3148C00u},  // 2 * 284 / 7704
    {0x3FFC, 0x833F80BAA9F5A8C4u, 0x3FFC, 0x82894DD5453B2400u},  // 2 * 495 / 7724
    {0x3FFE, 0x80083E577567E19Au, 0x3FFD, 0xED70688B7EDC8BFFu},  // 2 * 1988 / 7950
    {0x3FFB, 0x91A475774CA61969u, 0x3FFB, 0x9165CBE0CDE7B401u},  // 2 * 283 / 7959
    {0x3FFC, 0xFE2937FE7A634E30u, 0x3FFC, 0xF92069596BD0FC00u},  // 2 * 1002 / 8074
    {0x3FFD, 0xF67BCEA0BDF35FD3u, 0x3FFD, 0xE5B7D0496ACCFBFFu},  // 2 * 1962 / 8151
    {0x3FFB, 0xBDD30C55655C5867u, 0x3FFB, 0xBD4899D7B94BFC00u},  // 2 * 379 / 8178
    {0x3FFD, 0xB355871565808DCAu, 0x3FFD, 0xAC7F388B18038400u},  // 2 * 1538 / 8782
    {0x3FFD, 0x809B3AEA9803D5ECu, 0x3FFC, 0xFBFFCD9541A7CC00u},  // 2 * 1140 / 9077
    {0x3FFC, 0x97113CDCB00F2C76u, 0x3FFC, 0x95FC484AEAFD1400u},  // 2 * 677 / 9178
    {0x3FFC, 0xF7A3070F507B624Bu, 0x3FFC, 0xF2F8D06240629C00u},  // 2 * 1140 / 9428
    {0x3FFB, 0x96FEABBAE1F5E5F3u, 0x3FFB, 0x96B8DBCBD3148C00u},  // 2 * 355 / 9630
};

// sin or cos of x as the unit reduces it.
long double reduced(long double x, Function function) {
    if (!(std::fabs(x) > halfPiOfTheUnit / 2) || !(std::fabs(x) < 0x1p20L)) {
        return function == Function::Sine ? sinl(x) : cosl(x);
    }
    const long double quadrants = nearbyintl(x / halfPiOfTheUnit);
    const long double r = x - quadrants * halfPiOfTheUnit;
    const int quadrant = static_cast<int>(static_cast<std::int64_t>(quadrants) & 3);
    const long double s = sinl(r), c = cosl(r);
    if (function == Function::Sine) {
        const long double values[4] = {s, c, -s, -c};
        return values[quadrant];
    }
    const long double values[4] = {c, -s, -c, s};
    return values[quadrant];
}

} // namespace

extended sineX87(extended x) { return extended(reduced(static_cast<long double>(x), Function::Sine)); }

extended cosineX87(extended x) { return extended(reduced(static_cast<long double>(x), Function::Cosine)); }

// FPATAN is odd: a negative argument is looked up by its magnitude.
extended arctangentX87(extended x) {
    const extended magnitude = absolute(x);
    for (const UnitResult& known : unitArctangents) {
        if (magnitude.signAndExponent() == known.argumentTop && magnitude.registerMantissa() == known.argumentMantissa) {
            const extended result = SoftExtended::fromRegister(known.resultTop, known.resultMantissa);
            return x.isNegative() ? -result : result;
        }
    }
    return extended(atanl(static_cast<long double>(x)));
}

#endif
