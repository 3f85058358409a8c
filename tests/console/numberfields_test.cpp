#include "numberfields.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> value;
};

class IntegerField : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerField, Reads) { EXPECT_EQ(parseIntegerField(GetParam().text), GetParam().value) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(
    Cases, IntegerField,
    ::testing::Values(IntegerCase{"7", 7}, IntegerCase{"  -12", -12}, IntegerCase{"+5", 5},
                      IntegerCase{"2147483647", 2147483647}, IntegerCase{"-2147483648", INT32_MIN},
                      IntegerCase{"2147483648", std::nullopt}, IntegerCase{"-2147483649", std::nullopt},
                      IntegerCase{"$A", 10}, IntegerCase{"xA", 10}, IntegerCase{"Xff", 255},
                      IntegerCase{"0xA", 10}, IntegerCase{"0X1f", 31}, IntegerCase{"$FFFFFFFF", -1},
                      IntegerCase{"$100000000", std::nullopt}, IntegerCase{"-$A", std::nullopt},
                      IntegerCase{"$", std::nullopt}, IntegerCase{"0x", std::nullopt}, IntegerCase{"", std::nullopt},
                      IntegerCase{"   ", std::nullopt}, IntegerCase{"-", std::nullopt}, IntegerCase{"5a", std::nullopt},
                      IntegerCase{"1.5", std::nullopt}, IntegerCase{"5 ", std::nullopt}, IntegerCase{"\t5", std::nullopt},
                      IntegerCase{"0800", 800}, IntegerCase{"0", 0}));

struct DecimalCase {
    const char* text;
    std::optional<double> value;
};

class DecimalField : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalField, Reads) { EXPECT_EQ(parseDecimalField(GetParam().text), GetParam().value) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(
    Cases, DecimalField,
    ::testing::Values(DecimalCase{"1.5", 1.5}, DecimalCase{"1.5E1", 15.0}, DecimalCase{"1.5e+1", 15.0},
                      DecimalCase{" -47.25", -47.25}, DecimalCase{"+3", 3.0}, DecimalCase{"13.", 13.0},
                      DecimalCase{".5", 0.5}, DecimalCase{".", 0.0}, DecimalCase{"2e-3", 0.002},
                      DecimalCase{"1e-400", 0.0}, DecimalCase{"1e400", std::nullopt},
                      DecimalCase{"1,5", std::nullopt}, DecimalCase{"", std::nullopt}, DecimalCase{"  ", std::nullopt},
                      DecimalCase{"-", std::nullopt}, DecimalCase{"1e", std::nullopt}, DecimalCase{"1e+", std::nullopt},
                      DecimalCase{"e5", std::nullopt}, DecimalCase{"1.5 ", std::nullopt},
                      DecimalCase{"1..5", std::nullopt}, DecimalCase{"0x10", std::nullopt},
                      DecimalCase{"inf", std::nullopt}, DecimalCase{"nan", std::nullopt},
                      DecimalCase{"55", 55.0}));

TEST(DecimalField, ReadsTheNearestDouble) {
    EXPECT_EQ(parseDecimalField("0.1"), 0.1);
    EXPECT_EQ(parseDecimalField("47.123456789012345678"), 47.123456789012345678);
    EXPECT_TRUE(std::signbit(*parseDecimalField("-0.0")));
}

} // namespace
