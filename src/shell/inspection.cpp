#include "shell/inspection.h"

#include "text/fields.h"
#include "text/line_reader.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace vqd {

bool FileExist(const std::string& FN) {
    if (FN.empty()) return false;
    std::error_code error;
    return std::filesystem::is_regular_file(FN, error);
}

std::optional<std::int32_t> GetDim(const std::string& FN, std::string_view separator,
                                   Messages& messages) {
    LineReader reader;
    if (!reader.open(FN)) {
        messages.critical(cannotReadMessage(FN, reader.error()));
        return std::nullopt;
    }
    std::int64_t maximum = 0;
    std::string_view line;
    while (reader.next(line)) {
        std::int64_t count = 0;
        while (!line.empty()) {
            NextField(line, separator);
            ++count;
        }
        maximum = std::max(maximum, count);
    }
    if (!reader.error().empty()) {
        messages.critical(cannotReadMessage(FN, reader.error()));
        return std::nullopt;
    }
    const auto dimension = maximum > 4 ? maximum - 4 : 0;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(dimension, std::numeric_limits<std::int32_t>::max()));
}

std::optional<std::vector<std::string>> ReadVarNames(const std::string& FN,
                                                     std::string_view separator, std::int32_t N,
                                                     Messages& messages) {
    std::string first;
    std::string message;
    if (!readFirstLine(FN, first, message)) {
        messages.critical(message);
        return std::nullopt;
    }
    std::vector<std::string> names;
    std::string_view rest = first;
    for (std::int32_t i = 0; i < std::min(N, 4); ++i)
        names.emplace_back(NextField(rest, separator));
    return names;
}

} // namespace vqd
