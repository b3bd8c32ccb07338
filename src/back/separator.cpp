#include "back/separator.h"

#include "files/file_access.h"
#include "files/line_reader.h"
#include "text/numbers.h"

#include <algorithm>

namespace vqd {

std::string GetSeparator(const std::string& path, Messages& messages) {
    const auto first = readFirstLine(path, messages);
    return first ? separatorOfFirstLine(*first, path, messages) : std::string();
}

std::string separatorOfFirstLine(std::string_view first, const std::string& path,
                                 Messages& messages) {
    // Every occurrence counts, quoted or not: the header is not parsed, only counted.
    const auto commas = std::count(first.begin(), first.end(), ',');
    const auto semicolons = std::count(first.begin(), first.end(), ';');
    if (commas > semicolons) return ",";
    if (semicolons > commas) return ";";
    if (commas == 0) {
        messages.critical("No separator (, or ;) found in file: " + files::messageName(path));
    } else {
        messages.information(
            "unable to decide about the separator in file " + files::messageName(path) +
            "\r\nBoth  \",\"  and \";\" have been found " + countText(commas) + " times");
    }
    return {};
}

} // namespace vqd
