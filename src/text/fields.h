#pragma once
// Taking delimited lines apart from the front, field by field.

#include <cstdint>
#include <string>
#include <string_view>

namespace vqd {

namespace fieldsDetail {
// Blanks around fields are few: a byte loop beats the general searches of string_view.
inline const char* skipBlanks(const char* first, const char* last) noexcept {
    while (first != last && *first == ' ')
        ++first;
    return first;
}
inline const char* dropTrailingBlanks(const char* first, const char* last) noexcept {
    while (last != first && last[-1] == ' ')
        --last;
    return last;
}
} // namespace fieldsDetail

// NextFieldBy for a separator that is not a single character other than the blank.
std::string_view nextFieldBySeparatorText(std::string_view& line,
                                          std::string_view separator) noexcept;

// Removes and returns the next field of `line`. The line is first trimmed of blanks (spaces only,
// never tabs); the field is the text before the first `separator`, blanks before it kept; exactly
// one character is dropped after the field and the rest, trimmed, stays in `line`. Without a
// separator the whole line is the field and `line` becomes empty; an empty separator yields an
// empty field and drops one character. The result views the caller's text. Does not allocate.
inline std::string_view NextFieldBy(std::string_view& line, std::string_view separator) noexcept {
    // Inline for the everyday separator, one character other than the blank: trimming cannot
    // remove it, so the field ends at its first occurrence. Cell fields are short; a byte loop
    // beats a call to memchr.
    if (separator.size() != 1 || separator[0] == ' ')
        return nextFieldBySeparatorText(line, separator);
    using namespace fieldsDetail;
    const char c = separator[0];
    const char* first = skipBlanks(line.data(), line.data() + line.size());
    const char* last = dropTrailingBlanks(first, line.data() + line.size());
    const char* end = first;
    while (end != last && *end != c)
        ++end;
    if (end == last) {
        line = {};
        return {first, static_cast<std::size_t>(last - first)};
    }
    const char* rest = skipBlanks(end + 1, last);
    line = {rest, static_cast<std::size_t>(last - rest)};
    return {first, static_cast<std::size_t>(end - first)};
}

// The number of fields NextFieldBy takes from `line` before it is empty: 0 for the empty line.
std::int64_t countFields(std::string_view line, std::string_view separator) noexcept;

// NextFieldBy with the program's current field separator, which the caller holds and passes in:
// the engine keeps no program-wide state.
inline std::string_view NextField(std::string_view& line,
                                  std::string_view fieldSeparator) noexcept {
    return NextFieldBy(line, fieldSeparator);
}

// St with every "," replaced by ".": decimal commas become decimal points.
std::string ReplaceCommaPoint(std::string_view St);

// Appends ReplaceCommaPoint(St) to `out` without a temporary.
void appendReplacingCommas(std::string& out, std::string_view St);

// `text` without leading and trailing spaces (code 32 only).
std::string_view trimBlanks(std::string_view text) noexcept;

// "TAB" in any letter case stands for the tab character; any other text is the separator as typed.
std::string separatorFromText(std::string_view typed);

} // namespace vqd
