// Separator detection on arbitrary bytes: the answer must follow the counts of the first line.
#include "back/separator.h"
#include "fuzz_support.h"

#include <algorithm>

using namespace vqd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = fuzz::asText(data, size);
    const auto first = bytes.substr(0, bytes.find('\r'));
    const auto commas = std::count(first.begin(), first.end(), ',');
    const auto semicolons = std::count(first.begin(), first.end(), ';');

    fuzz::SilentMessages messages;
    const auto separator = GetSeparator(fuzz::scratchFile("template", bytes), messages);
    const char* expected = commas > semicolons ? "," : semicolons > commas ? ";" : "";
    fuzz::require(separator == expected);
    fuzz::require(messages.shown == (separator.empty() ? 1 : 0));
    return 0;
}
