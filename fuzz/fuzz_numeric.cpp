// The numeric rule on arbitrary text, and the renderings of what it reads: no NaN, and a rendered
// value reads back as (nearly) itself.
#include "fuzz_support.h"
#include "text/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

using namespace vqd;

namespace {

// Three decimals by the exact binary value, the rendering the quick one must match.
std::string exactLevelText(double value) {
    std::array<char, 400> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed, 3)
                         .ptr;
    std::string text(buffer.data(), end);
    return text == "-0.000" ? "0.000" : text;
}

bool onlyDecimalCharacters(std::string_view text) {
    return text.find_first_not_of("0123456789.-") == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const double value = numericValue(text);
    fuzz::require(!std::isnan(value));
    (void)wholeNumberClamped32(value);
    if (!std::isfinite(value)) return 0;

    // A text from_chars reads whole, of digits, points and minus signs only, reads the same.
    if (onlyDecimalCharacters(text) && !text.empty()) {
        double expected = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), expected);
        if (error == std::errc() && end == text.data() + text.size())
            fuzz::require(std::memcmp(&expected, &value, sizeof value) == 0);
    }

    const std::string cost = renderCostText(value);
    // A plain decimal reads its comma as the point: its cost text is of that reading.
    if (PlainDecimal number; readPlainDecimal(text, number)) {
        const double commaAsPoint = numericValueCommaAsPoint(text);
        fuzz::require(!number.exact || number.value == commaAsPoint);
        char costOfDecimal[maxCostTextSize];
        if (const char* end = writeCostTextOfDecimal(costOfDecimal, number))
            fuzz::require(
                std::string_view(costOfDecimal, static_cast<std::size_t>(end - costOfDecimal)) ==
                renderCostText(commaAsPoint));
    }
    const double costBack = numericValue(cost);
    fuzz::require(std::fabs(costBack - value) <= std::fabs(value) * 1e-14 || value == 0);
    fuzz::require(cost[0] == (std::signbit(value) && value != 0 ? '-' : ' '));

    for (const double derived : {value, value * 0.1, value / 3, value * 95 / 90 - value})
        fuzz::require(!std::isfinite(derived) ||
                      renderLevelText(derived) == exactLevelText(derived));

    const std::string level = renderLevelText(value);
    const auto point = level.find('.');
    fuzz::require(point != std::string::npos && level.size() - point == 4);
    if (std::fabs(value) < 1e12) {
        fuzz::require(std::fabs(numericValue(level) - value) <= 0.0005 + std::fabs(value) * 1e-15);
    }
    return 0;
}
