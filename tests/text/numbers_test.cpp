#include "../support/test_support.h"
#include "text/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vqd {
namespace {

// The numeric rule as the user reads it: blanks, tabs and line feeds dropped, then the longest
// leading decimal number; beyond the range of doubles infinity, below it zero.
double byTheRule(std::string text) {
    static const std::regex number(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
    std::erase_if(text, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
    std::smatch found;
    std::regex_search(text, found, number, std::regex_constants::match_continuous);
    return std::strtod(found.str(0).c_str(), nullptr); // the tests run under the C locale
}

// The quick ways (value, parts of a plain decimal, cost text from its digits) agree with the rule
// on short texts of number characters and on decimals reaching 15 digits, 1E-5 and 1E+15.
TEST(Numbers, QuickPathsAgreeWithTheRule) {
    static const std::regex plainDecimal(R"(-?(\d+)([.,](\d*))?)");
    std::vector<std::string> texts{"1e-400", "-1e400", "0.000001e309", std::string(400, '9')};
    for (std::mt19937 random(1); texts.size() < 30000;) {
        std::string text(random() % 20, '0');
        const bool plain = random() % 2 == 0;
        for (auto& c : text)
            c = plain || random() % 3 ? "0000123456789"[random() % 13]
                                      : "+-.,eE \t\n:"[random() % 10];
        if (plain && random() % 2) text.insert(random() % (text.size() + 1), 1, ",."[random() % 2]);
        texts.push_back(plain && random() % 3 == 0 ? "-" + text : text);
    }
    for (const std::string& text : texts) {
        if (HasFailure()) return;
        SCOPED_TRACE("\"" + text + "\"");
        EXPECT_EQ(numericValue(text), byTheRule(text));
        std::smatch parts;
        PlainDecimal number;
        ASSERT_EQ(readPlainDecimal(text, number), std::regex_match(text, parts, plainDecimal));
        if (parts.empty()) continue;
        const double value = numericValueCommaAsPoint(text), size = std::fabs(value);
        const std::string whole = parts[1], digits = whole + parts[3].str();
        EXPECT_EQ(number.exact, digits.size() <= 15);
        const auto first = digits.find_first_not_of('0'), last = digits.find_last_not_of('0');
        const bool fromDigits = (whole.size() == 1 || whole[0] != '0') &&
                                (first == std::string::npos || last - first < 15) &&
                                (size == 0 || (size >= 1e-5 && size < 1e15));
        std::array<char, maxCostTextSize> cost{};
        const char* const end = writeCostTextOfDecimal(cost.data(), number);
        ASSERT_EQ(end != nullptr, fromDigits);
        EXPECT_TRUE(!end || std::string_view(cost.data(), end) == renderCostText(value));
    }
}

// Message numbers have a leading blank unless negative; control characters are escaped; long values
// are cut, not within a character of several bytes (nor over three bytes back, in a code page).
TEST(Messages, NumbersAndTexts) {
    EXPECT_EQ(wholeNumberClamped32(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(wholeNumberClamped32(-1e12), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(wholeNumberClamped32(std::nan("")), 0);
    EXPECT_EQ(wholeNumberClamped32(2.5), 2); // halves to even
    EXPECT_EQ(messageNumber(0), " 0");
    EXPECT_EQ(messageNumber(-5'000'000'000), "-5000000000");
    EXPECT_EQ(messageText("a\x1f \x7f\n\r\t\xC3\xA9"), "a\\x1f \\x7f\\n\\r\\t\xC3\xA9");
    const std::string x59(59, 'x'), x63(63, 'x');
    EXPECT_EQ(messageValue(x63), x63);
    EXPECT_EQ(messageValue(x63 + "y"), x59 + "x...");
    EXPECT_EQ(messageValue(x59 + "\xC3\xA9" + x63), x59 + "...");
    EXPECT_EQ(messageValue(x59.substr(3) + std::string(8, '\x80')), x59.substr(3) + "\x80...");
}

// At most 15 significant digits, the shortest form, plain digits from 1E-5 to below 1E+15.
TEST(CostText, RendersGeneralNumbers) {
    // clang-format off
    const std::pair<double, const char*> rows[]{
        {1234.5, " 1234.5"}, {-3, "-3"}, {0, " 0"}, {-0.0, " 0"}, {0.5, " 0.5"}, {-0.25, "-0.25"},
        {0.1 + 0.2, " 0.3"}, {1e-5, " 0.00001"}, {9.5e-6, " 9.5E-06"}, {-2.5e-7, "-2.5E-07"},
        {123456789012345, " 123456789012345"}, {1e15, " 1E+15"}, {1e16, " 1E+16"},
        {999999999999999.9, " 1E+15"}, {1.5e300, " 1.5E+300"}, {100, " 100"}};
    // clang-format on
    for (const auto& [value, text] : rows)
        EXPECT_EQ(renderCostText(value), text);
}

// Levels are the exact value rounded to thousandths, never "-0.000"; near a half of a thousandth
// a quick rounding would go wrong.
TEST(LevelText, AgreesWithExactRounding) {
    std::array<char, 400> text{};
    const auto exact = [&](double value) {
        const auto end =
            std::to_chars(text.begin(), text.end(), value, std::chars_format::fixed, 3);
        const std::string rounded(text.data(), end.ptr);
        return rounded == "-0.000" ? "0.000" : rounded;
    };
    for (const double value : {0.001, -0.0, 1e15, -1e300})
        EXPECT_EQ(renderLevelText(value), exact(value));
    for (const double scale : {1.0, 1e3, 1e6, 999999.0, 1e9, 3e12})
        for (int i = -3000; i <= 3000; ++i) {
            const double half = (i + 0.5) / 1000 * scale;
            for (const double value : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300),
                                       i * 0.0001 * scale, i / 3.0 * scale})
                ASSERT_EQ(renderLevelText(value), exact(value)) << value;
        }
}

} // namespace
} // namespace vqd
