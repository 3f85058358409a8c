// The checked integer arithmetic and the rounding helpers: every overflow,
// narrowing and out-of-range conversion ends the run through one failure.
#include "checked.hpp"
#include "realmath.hpp"

#include <gtest/gtest.h>

namespace {

TEST(CheckedArithmetic, StopsOnOverflowAndNarrowing) {
    EXPECT_EQ(checkedAdd(2147483646, 1), 2147483647);
    EXPECT_EQ(checkedMul(-65536, 32768), INT32_MIN);
    auto kindOf = [](auto operation) {
        try {
            operation();
        } catch (const RunFailure& failure) {
            return failure.kind;
        }
        return FailureKind::OtherIo;
    };
    EXPECT_EQ(kindOf([] { checkedAdd(2147483647, 1); }), FailureKind::IntOverflow);
    EXPECT_EQ(kindOf([] { checkedSub(INT32_MIN, 1); }), FailureKind::IntOverflow);
    EXPECT_EQ(kindOf([] { checkedMul(65536, 32768); }), FailureKind::IntOverflow);
    EXPECT_EQ(kindOf([] { checkedNarrow<std::uint16_t>(65536); }), FailureKind::RangeError);
    EXPECT_EQ(kindOf([] { roundToInt32(2147483647.5L); }), FailureKind::RangeError);
    EXPECT_EQ(kindOf([] { roundToInt32(1e30L); }), FailureKind::InvalidOp);
    EXPECT_EQ(kindOf([] { storeDouble(1e309L); }), FailureKind::FpOverflow);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundToInt32(2.5L), 2);
    EXPECT_EQ(roundToInt32(3.5L), 4);
    EXPECT_EQ(roundToInt32(-2.5L), -2);
    EXPECT_EQ(roundToInt32(-3.5L), -4);
    EXPECT_EQ(roundToInt32(2.5L + 0x1p-62L), 3);
    EXPECT_EQ(truncToInt32(-13.9L), -13);
}

} // namespace
