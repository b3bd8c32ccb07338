#include "back/inspection.h"

#include "back/separator.h"
#include "files/file_access.h"
#include "files/line_reader.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <algorithm>
#include <new>

namespace vqd {

std::optional<std::vector<std::string>>
templateHeaderFields(const std::string& path, Messages& messages, std::vector<std::string>* notes) {
    // One reading of the header line decides the separator and gives the fields.
    const auto header = readFirstLine(path, messages, notes);
    if (!header) return std::nullopt;
    const auto separator = separatorOfFirstLine(*header, path, messages);
    if (separator.empty()) return std::nullopt;
    std::vector<std::string> fields;
    std::string_view rest = *header;
    try {
        while (!rest.empty())
            fields.emplace_back(NextFieldBy(rest, separator));
    } catch (const std::bad_alloc& error) {
        messages.critical(conversionStoppedMessage(files::messageName(path), error));
        return std::nullopt;
    }
    return fields;
}

std::optional<std::int32_t> zavekVariableCount(const std::string& path, Messages& messages) {
    const auto first = readFirstLine(path, messages);
    if (!first) return std::nullopt;
    const auto commas = std::count(first->begin(), first->end(), ',');
    return wholeNumberClamped32((static_cast<double>(commas) - 3) / 2);
}

} // namespace vqd
