#pragma once
// Taking delimited lines apart from the front, field by field.

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
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
// The first `c` in [first, last), or last: eight bytes at a time, since a byte loop costs a
// compare and a branch for every byte of every field.
inline const char* findByte(const char* first, const char* last, char c) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    const std::uint64_t pattern = ones * static_cast<unsigned char>(c);
    // The lowest byte of a word is the first in memory only on little-endian machines.
    for (; std::endian::native == std::endian::little && last - first >= 8; first += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, first, 8);
        const std::uint64_t x = word ^ pattern; // zero bytes where c is
        // The high bit of each zero byte; a borrow may mark bytes after the first, never before.
        const std::uint64_t zeros = (x - ones) & ~x & highs;
        if (zeros != 0) return first + std::countr_zero(zeros) / 8;
    }
    while (first != last && *first != c)
        ++first;
    return first;
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
    // remove it, so the field ends at its first occurrence. Cell fields are short; findByte
    // beats a call to memchr.
    if (separator.size() != 1 || separator[0] == ' ')
        return nextFieldBySeparatorText(line, separator);
    using namespace fieldsDetail;
    const char c = separator[0];
    const char* first = skipBlanks(line.data(), line.data() + line.size());
    const char* last = dropTrailingBlanks(first, line.data() + line.size());
    const char* end = findByte(first, last, c);
    if (end == last) {
        line = {};
        return {first, static_cast<std::size_t>(last - first)};
    }
    const char* rest = skipBlanks(end + 1, last);
    line = {rest, static_cast<std::size_t>(last - rest)};
    return {first, static_cast<std::size_t>(end - first)};
}

// The first `fields.size()` fields of `line`, as as many NextFieldBy calls would take them one
// after the other (empty once the line is used up). A whole record at once: the line is trimmed
// and the separator looked at only once.
// Returns k, the number of leading fields that stand in the line as written: from fields[0] on,
// the line reads fields[0], separator, fields[1], ..., separator, fields[k], so fields[0] to
// fields[k - 1], each with its separator, may be copied in one piece. A field that the line's end
// ended, or after whose separator blanks were dropped, ends the count. Always 0 for a separator
// other than one character that is not the blank.
std::size_t takeFields(std::string_view line, std::string_view separator,
                       std::span<std::string_view> fields) noexcept;

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

// Writes ReplaceCommaPoint(St) at `to` and returns the end.
inline char* copyReplacingCommas(char* to, std::string_view St) noexcept {
    for (const char c : St)
        *to++ = c == ',' ? '.' : c;
    return to;
}

// `text` without leading and trailing spaces (code 32 only).
std::string_view trimBlanks(std::string_view text) noexcept;

// "TAB" in any letter case stands for the tab character; any other text is the separator as typed.
std::string separatorFromText(std::string_view typed);

} // namespace vqd
