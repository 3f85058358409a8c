#include "angles.hpp"

#include <gtest/gtest.h>

using namespace messkart;

namespace {

struct AngleCase {
    const char* field;
    double degrees;
};

class PackedAngles : public testing::TestWithParam<AngleCase> {};

TEST_P(PackedAngles, ReadAsDegreesMinutesSeconds) {
    std::optional<double> angle = parseAngle(GetParam().field);
    ASSERT_TRUE(angle.has_value()) << GetParam().field;
    EXPECT_NEAR(*angle, GetParam().degrees, 1e-12) << GetParam().field;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PackedAngles,
    testing::Values(AngleCase{"132436", 13.41},            // DDMMSS
                    AngleCase{"0132436", 13.41},           // 0DDMMSS
                    AngleCase{"1132436", 113.41},          // DDDMMSS
                    AngleCase{"-052436", -5.41},           // -DDMMSS
                    AngleCase{"-1132436", -113.41},        // -DDDMMSS
                    AngleCase{"52436", 52.0 + 43.0 / 60 + 6.0 / 3600},  // five digits: 052 43 6
                    AngleCase{"13243650", 13.41},          // beyond the seconds: ignored
                    AngleCase{"-002436", -0.41},           // the sign belongs to all three parts
                    AngleCase{"109999", 10.0 + 99.0 / 60 + 99.0 / 3600},  // no range limit
                    AngleCase{"10300", 10.5}));

class FailingAngles : public testing::TestWithParam<const char*> {};

TEST_P(FailingAngles, AreNoAngle) { EXPECT_FALSE(parseAngle(GetParam()).has_value()) << GetParam(); }

INSTANTIATE_TEST_SUITE_P(Fields, FailingAngles,
                         testing::Values("+132436", "13", "", "-", "1324x6", "13\t2436", "-13",
                                         "132", "1030", "1.2.3", "1e", "x"));

TEST(DecimalAngles, AFieldWithAPointIsDecimalDegrees) {
    EXPECT_EQ(parseAngle("13.41"), 13.41);
    EXPECT_EQ(parseAngle("13."), 13.0);
    EXPECT_EQ(parseAngle("-.5"), -0.5);
    EXPECT_EQ(parseAngle("1.5e1"), 15.0);
    EXPECT_EQ(parseAngle("+7.25"), 7.25);
    EXPECT_EQ(parseAngle(" 7.25"), 7.25);
}

TEST(DecimalAngles, APointAloneIsZero) { EXPECT_EQ(parseAngle("."), 0.0); }

TEST(PackedAngles, PackedAndDecimalGiveTheSamePoint) {
    EXPECT_EQ(*parsePackedAngle("132436"), 13.41);
}

} // namespace
