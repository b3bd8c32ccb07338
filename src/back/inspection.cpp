#include "back/inspection.h"

#include "back/separator.h"
#include "files/line_reader.h"
#include "text/numbers.h"

#include <algorithm>

namespace vqd {

std::optional<TemplateHeader> templateHeader(const std::string& path, Messages& messages,
                                             std::vector<std::string>* notes) {
    // One reading of the header line decides the separator and gives the fields.
    auto line = readFirstLine(path, messages, notes);
    if (!line) return std::nullopt;
    auto separator = separatorOfFirstLine(*line, path, messages);
    if (separator.empty()) return std::nullopt;
    return TemplateHeader{std::move(*line), std::move(separator)};
}

std::optional<std::int32_t> zavekVariableCount(const std::string& path, Messages& messages) {
    const auto first = readFirstLine(path, messages);
    if (!first) return std::nullopt;
    const auto commas = std::count(first->begin(), first->end(), ',');
    return wholeNumberClamped32((static_cast<double>(commas) - 3) / 2);
}

} // namespace vqd
