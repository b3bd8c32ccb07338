#include "text/fields.h"

#include <algorithm>

namespace vqd {

std::string_view trimBlanks(std::string_view text) noexcept {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string_view NextFieldBy(std::string_view& line, std::string_view separator) noexcept {
    line = trimBlanks(line);
    const auto p = line.find(separator);
    if (p == std::string_view::npos) {
        const auto field = line;
        line = {};
        return field;
    }
    const auto field = line.substr(0, p);
    // Only one character goes with the field, whatever the separator's length; for an empty
    // separator that is the first character of the line.
    line = trimBlanks(line.substr(std::min(p + 1, line.size())));
    return field;
}

std::string ReplaceCommaPoint(std::string_view St) {
    std::string result;
    appendReplacingCommas(result, St);
    return result;
}

void appendReplacingCommas(std::string& out, std::string_view St) {
    const auto start = out.size();
    out.append(St);
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), ',', '.');
}

std::string separatorFromText(std::string_view typed) {
    const auto isTab = typed.size() == 3 && (typed[0] | 0x20) == 't' && (typed[1] | 0x20) == 'a' &&
                       (typed[2] | 0x20) == 'b';
    return isTab ? std::string("\t") : std::string(typed);
}

} // namespace vqd
