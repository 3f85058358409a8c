// The transcendental functions in extended precision, by series and
// reductions of its own, so that every platform gives the same bits.
#include "extendedmath.hpp"

#include <cmath>
#include <cstdint>

namespace {

// x = (32 k + j) ln2 / 32 + s with |s| <= ln2 / 64, so e^x = 2^k 2^(j/32) e^s.
// The constants are the nearest 64-bit-mantissa values, written in hex so
// that they carry their exact bits. ln2 / 32 is split in two: its first 44
// bits times any N that the range allows (|N| < 2^20) are exact.
constexpr extended thirtyTwoOverLn2 = 0xB8AA3B295C17F0BCp-58L;
constexpr extended ln2Over32High = 0xB17217F7D1D00000p-69L;
constexpr extended ln2Over32Low = -0x8654361C4C67FC0Dp-117L;

// 2^(j/32) as its nearest value and the rest.
struct TwoToTheJ {
    extended high;
    extended low;
};
constexpr TwoToTheJ powersOfTwo[32] = {
    {0x8000000000000000p-63L, 0.0L},
    {0x82CD8698AC2BA1D7p-63L, 0xF8A91D6D19482FFDp-129L},
    {0x85AAC367CC487B15p-63L, -0xE8DA91CF7AACF938p-129L},
    {0x88980E8092DA8527p-63L, 0xBBF1AED9318CEAC6p-128L},
    {0x8B95C1E3EA8BD6E7p-63L, -0x8373AF14EB586DFDp-132L},
    {0x8EA4398B45CD53C0p-63L, 0xB70051321E0F5317p-129L},
    {0x91C3D373AB11C336p-63L, 0xFD6D8E0AE5AC9D82p-131L},
    {0x94F4EFA8FEF70961p-63L, 0xBA2BEB4495477951p-129L},
    {0x9837F0518DB8A96Fp-63L, 0x8D5A46305C85EDEDp-128L},
    {0x9B8D39B9D54E5539p-63L, -0xBAAFD0BAB86781C2p-128L},
    {0x9EF5326091A111AEp-63L, -0xBEDDC1EC288C045Dp-128L},
    {0xA27043030C496819p-63L, -0xC90BF620FE6042B1p-128L},
    {0xA5FED6A9B15138EAp-63L, 0xE5EBFB10B88380D9p-130L},
    {0xA9A15AB4EA7C0EF8p-63L, 0xA83C49D86A63F4E6p-128L},
    {0xAD583EEA42A14AC6p-63L, 0x93015191EB345D89p-128L},
    {0xB123F581D2AC2590p-63L, -0xF05F902D25BD44E3p-128L},
    {0xB504F333F9DE6484p-63L, 0xB2FB1366EA957D3Ep-128L},
    {0xB8FBAF4762FB9EE9p-63L, 0xDC3CBBC2B35B2D0Dp-130L},
    {0xBD08A39F580C36BFp-63L, -0xAEFDC09325E0A10Cp-128L},
    {0xC12C4CCA66709456p-63L, 0xF88AFAB34A010F6Bp-128L},
    {0xC5672A115506DADDp-63L, 0xF8AB432593767CDEp-129L},
    {0xC9B9BD866E2F27A3p-63L, -0xFE3C0DABF5DD2D04p-128L},
    {0xCE248C151F8480E4p-63L, -0xEE53E3835069C895p-130L},
    {0xD2A81D91F12AE45Ap-63L, 0x912472BE1EF20143p-130L},
    {0xD744FCCAD69D6AF4p-63L, 0xE69A2EE640B4FF78p-129L},
    {0xDBFBB797DAF23755p-63L, 0xF610356A78A6A991p-129L},
    {0xE0CCDEEC2A94E111p-63L, 0xCB12A091BA667944p-132L},
    {0xE5B906E77C8348A8p-63L, 0xF2F47A5276DD8765p-130L},
    {0xEAC0C6E7DD24392Fp-63L, -0xBF4A29323E46AC15p-129L},
    {0xEFE4B99BDCDAF5CBp-63L, 0x8CAC39ED291B7226p-128L},
    {0xF5257D152486CC2Cp-63L, 0xF73A18F5DB301F87p-128L},
    {0xFA83B2DB722A033Ap-63L, 0xF84B762862BAFF99p-128L},
};

// e^s - 1 for |s| <= ln2 / 64 by its Taylor series to s^8 (the next term is
// below a tenth of a unit in the last place).
constexpr extended inverseFactorial[9] = {
    0.0L, 1.0L, 0x8000000000000000p-64L, 0xAAAAAAAAAAAAAAABp-66L, 0xAAAAAAAAAAAAAAABp-68L,
    0x8888888888888889p-70L, 0xB60B60B60B60B60Bp-73L, 0xD00D00D00D00D00Dp-76L, 0xD00D00D00D00D00Dp-79L,
};

extended exponentialMinusOne(extended s) {
    extended q = inverseFactorial[8];
    for (int n = 7; n >= 2; --n) q = inverseFactorial[n] + s * q;
    return s + (s * s) * q;
}

} // namespace

extended exponential(extended x) {
    if (x != x) return x;
    if (x > 11357.0L) return extendedInfinity;
    if (x < -11400.0L) return 0.0L;
    // The nearest integer, halves to even: adding 1.5 * 2^63 leaves no fraction bits.
    const extended shift = 0x1.8p63L;
    const extended n = (x * thirtyTwoOverLn2 + shift) - shift;
    const extended s = (x - n * ln2Over32High) - n * ln2Over32Low;
    const auto whole = static_cast<std::int64_t>(n);
    const auto j = static_cast<int>(whole & 31);
    const auto k = static_cast<int>((whole - j) / 32);
    const TwoToTheJ& t = powersOfTwo[j];
    const extended mantissa = t.high + (t.low + t.high * exponentialMinusOne(s));
    return extendedScale(mantissa, k);
}
