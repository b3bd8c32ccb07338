#include "../support/test_support.h"
#include "text/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace vqd {
namespace {

struct NumericCase {
    std::string text;
    double value;
};

const double inf = std::numeric_limits<double>::infinity();
const auto byText = [](const auto& info) { return test::rowName(info.index, info.param.text); };

class NumericValue : public testing::TestWithParam<NumericCase> {};

TEST_P(NumericValue, ReadsLeadingDecimalNumber) {
    EXPECT_EQ(numericValue(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumericValue,
    testing::Values(NumericCase{"90", 90}, NumericCase{"0.5", 0.5}, NumericCase{"85,5", 85},
                    NumericCase{" 3", 3}, NumericCase{"1 2", 12}, NumericCase{"1\t2\n3", 123},
                    NumericCase{"- 4.5", -4.5}, NumericCase{"+7", 7}, NumericCase{"3x", 3},
                    NumericCase{"abc", 0}, NumericCase{"", 0}, NumericCase{"-", 0},
                    NumericCase{".", 0}, NumericCase{".5", 0.5}, NumericCase{"2.", 2},
                    NumericCase{"1e3", 1000}, NumericCase{"1E+2", 100}, NumericCase{"25e-1", 2.5},
                    NumericCase{"1e", 1}, NumericCase{"1e+", 1}, NumericCase{"1 e 2", 100},
                    NumericCase{"inf", 0}, NumericCase{"nan", 0}, NumericCase{"0x10", 0},
                    NumericCase{"1e-400", 0}, NumericCase{"1e400", inf},
                    NumericCase{"-1e400", -inf}, NumericCase{"0.000001e309", 1e303},
                    NumericCase{std::string(400, '9'), inf}),
    byText);

// Message numbers have a leading blank unless negative.
TEST(WholeNumbers, ClampedAndInMessages) {
    EXPECT_EQ(wholeNumberClamped32(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(wholeNumberClamped32(-1e12), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(wholeNumberClamped32(-1), -1);
    EXPECT_EQ(messageNumber(3), " 3");
    EXPECT_EQ(messageNumber(-3), "-3");
    EXPECT_EQ(messageNumber(5'000'000'000), " 5000000000");
}

struct RenderCase {
    double value;
    const char* text;
};

class CostText : public testing::TestWithParam<RenderCase> {};

TEST_P(CostText, RendersGeneralNumber) {
    EXPECT_EQ(renderCostText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CostText,
    testing::Values(RenderCase{1234.5, " 1234.5"}, RenderCase{-3, "-3"}, RenderCase{0, " 0"},
                    RenderCase{-0.0, " 0"}, RenderCase{0.5, " 0.5"}, RenderCase{-0.25, "-0.25"},
                    RenderCase{0.1 + 0.2, " 0.3"}, RenderCase{1e-5, " 0.00001"},
                    RenderCase{9.5e-6, " 9.5E-06"}, RenderCase{-2.5e-7, "-2.5E-07"},
                    RenderCase{123456789012345, " 123456789012345"}, RenderCase{1e15, " 1E+15"},
                    RenderCase{1e16, " 1E+16"}, RenderCase{999999999999999.9, " 1E+15"},
                    RenderCase{1.5e300, " 1.5E+300"}, RenderCase{100, " 100"}),
    byText);

class LevelText : public testing::TestWithParam<RenderCase> {};

TEST_P(LevelText, RendersThreeDecimals) {
    EXPECT_EQ(renderLevelText(GetParam().value), GetParam().text);
}

// Rounding itself is the next test's.
INSTANTIATE_TEST_SUITE_P(Values, LevelText,
                         testing::Values(RenderCase{0.001, "0.001"}, RenderCase{-0.0, "0.000"},
                                         RenderCase{-0.0001, "0.000"},
                                         RenderCase{1000.0 * 95 / 90 - 1000, "55.556"},
                                         RenderCase{1e15, "1000000000000000.000"}),
                         byText);

// Levels near a half of a thousandth are where a quick rounding would go wrong.
TEST(LevelText, AgreesWithExactRoundingNearHalves) {
    const auto exact = [](double value) {
        std::array<char, 400> buffer{};
        const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, 3)
                             .ptr;
        std::string text(buffer.data(), end);
        return text == "-0.000" ? std::string("0.000") : text;
    };
    for (const double scale : {1.0, 1e3, 1e6, 999999.0, 1e9, 3e12}) {
        for (int i = -3000; i <= 3000; ++i) {
            const double half = (i + 0.5) / 1000 * scale;
            for (const double value : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300),
                                       i * 0.0001 * scale, i / 3.0 * scale})
                ASSERT_EQ(renderLevelText(value), exact(value)) << value;
        }
    }
}

} // namespace
} // namespace vqd
