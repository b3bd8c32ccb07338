// The numeric rule on arbitrary text, and the renderings of what it reads: no NaN, and a rendered
// value reads back as (nearly) itself.
#include "fuzz_support.h"
#include "text/numbers.h"

#include <cmath>

using namespace vqd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const double value = numericValue(fuzz::asText(data, size));
    fuzz::require(!std::isnan(value));
    (void)wholeNumberClamped32(value);
    if (!std::isfinite(value)) return 0;

    const std::string cost = renderCostText(value);
    const double costBack = numericValue(cost);
    fuzz::require(std::fabs(costBack - value) <= std::fabs(value) * 1e-14 || value == 0);
    fuzz::require(cost[0] == (std::signbit(value) && value != 0 ? '-' : ' '));

    const std::string level = renderLevelText(value);
    const auto point = level.find('.');
    fuzz::require(point != std::string::npos && level.size() - point == 4);
    if (std::fabs(value) < 1e12) {
        fuzz::require(std::fabs(numericValue(level) - value) <= 0.0005 + std::fabs(value) * 1e-15);
    }
    return 0;
}
