#pragma once
// Taking delimited lines apart from the front, field by field.

#include <string>
#include <string_view>

namespace vqd {

// Removes and returns the next field of `line`. The line is first trimmed of blanks (spaces only,
// never tabs); the field is the text before the first `separator`, blanks before it kept; exactly
// one character is dropped after the field and the rest, trimmed, stays in `line`. Without a
// separator the whole line is the field and `line` becomes empty; an empty separator yields an
// empty field and drops one character. The result views the caller's text. Does not allocate.
std::string_view NextFieldBy(std::string_view& line, std::string_view separator) noexcept;

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
