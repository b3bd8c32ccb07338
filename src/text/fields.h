#pragma once
// Taking delimited lines apart from the front, field by field.

#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

namespace vqd {

// Removes and returns the next field of `line`. The line is first trimmed of blanks (spaces only,
// never tabs); the field is the text before the first `separator`, blanks before it kept; exactly
// one character is dropped after the field and the rest, trimmed, stays in `line`. Without a
// separator the whole line is the field and `line` becomes empty; an empty separator yields an
// empty field and drops one character. The result views the caller's text. Does not allocate.
std::string_view NextFieldBy(std::string_view& line, std::string_view separator) noexcept;

// The fields of `line` as NextFieldBy takes them one after the other, each a view of the line:
// going through a header or model line of millions of fields takes no memory for them.
class LineFields {
public:
    LineFields(std::string_view line, std::string_view separator) noexcept
        : line_(line), separator_(separator) {}

    class iterator {
    public:
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        iterator(std::string_view line, std::string_view separator) noexcept
            : rest_(line), separator_(separator) {
            ++*this;
        }
        std::string_view operator*() const noexcept { return field_; }
        iterator& operator++() noexcept {
            atEnd_ = rest_.empty();
            if (!atEnd_) field_ = NextFieldBy(rest_, separator_);
            return *this;
        }
        void operator++(int) noexcept { ++*this; }
        bool operator==(std::default_sentinel_t) const noexcept { return atEnd_; }

    private:
        std::string_view rest_, separator_, field_;
        bool atEnd_ = true;
    };

    iterator begin() const noexcept { return {line_, separator_}; }
    std::default_sentinel_t end() const noexcept { return {}; }

private:
    std::string_view line_, separator_;
};

// The first `fields.size()` fields of `line`, as as many NextFieldBy calls would take them one
// after the other (empty once the line is used up). A whole record at once: the line is trimmed
// and the separator looked at only once.
// Returns k, the number of leading fields that stand in the line as written: from fields[0] on,
// the line reads fields[0], separator, fields[1], ..., separator, fields[k], so fields[0] to
// fields[k - 1], each with its separator, may be copied in one piece. A field that the line's end
// ended, or after whose separator blanks were dropped, ends the count. 0 where the fields are
// taken one at a time by the rule: for a separator other than one character that is not the
// blank, and on processors without SSE2.
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
