#include "text/fields.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
namespace {

// Bit i set where first[i] is c, for the first min(64, last - first) bytes: the separators of a
// whole cell line are found in a few vector compares, and each field then costs one bit scan.
// `blanks` is cleared when those bytes certainly hold no blank.
std::uint64_t separatorBits(const char* first, const char* last, char c, bool& blanks) noexcept {
    const auto size = static_cast<int>(std::min<std::ptrdiff_t>(last - first, 64));
    std::uint64_t bits = 0;
    blanks = true;
    if (size < 16) {
        for (int i = 0; i < size; ++i)
            bits |= static_cast<std::uint64_t>(first[i] == c) << i;
        return bits;
    }
    const __m128i separators = _mm_set1_epi8(c);
    const __m128i blank = _mm_set1_epi8(' ');
    __m128i blankBytes = _mm_setzero_si128();
    const auto blockBits = [&](const char* at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        blankBytes = _mm_or_si128(blankBytes, _mm_cmpeq_epi8(block, blank));
        return static_cast<std::uint64_t>(
            static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, separators))));
    };
    int i = 0;
    for (; i + 16 <= size; i += 16)
        bits |= blockBits(first + i) << i;
    // The last block overlaps the one before; only its bytes from i on are new.
    if (i < size) bits |= (blockBits(first + size - 16) >> (i + 16 - size)) << i;
    blanks = _mm_movemask_epi8(blankBytes) != 0;
    return bits;
}

// Blanks around fields are few: byte loops beat the general searches of string_view.
const char* skipBlanks(const char* first, const char* last) noexcept {
    while (first != last && *first == ' ')
        ++first;
    return first;
}
const char* dropTrailingBlanks(const char* first, const char* last) noexcept {
    while (last != first && last[-1] == ' ')
        --last;
    return last;
}

// takeFields for a separator of one character other than the blank.
std::size_t takeFieldsAt(char c, std::string_view line,
                         std::span<std::string_view> fields) noexcept {
    auto field = fields.begin();
    // The last field asked for has no next field to be joined to.
    const std::size_t mostJoined = fields.size() - 1;
    const char* first = skipBlanks(line.data(), line.data() + line.size());
    const char* const last = dropTrailingBlanks(first, line.data() + line.size());
    // Fields ended by the separator with no blank dropped after it, from the first field on.
    std::size_t joined = 0;
    bool joining = true;
    const auto afterSeparator = [&](const char* end) {
        first = skipBlanks(end + 1, last);
        joining = joining && first == end + 1;
        joined += joining ? 1 : 0;
    };
    // Whatever is left of the line is the field; the line is used up.
    const auto rest = [&]() -> std::string_view {
        const std::string_view text{first, static_cast<std::size_t>(last - first)};
        first = last;
        joining = false;
        return text;
    };
    // Blanks are never the separator, so skipping them passes no separator bit.
    const char* chunk = first;
    bool blanks = true;
    std::uint64_t bits = separatorBits(chunk, last, c, blanks);
    if (!blanks && last - first <= 64) {
        // The usual cell line: without blanks each field starts right after its separator.
        for (; field != fields.end() && bits != 0; ++field) {
            const char* const end = chunk + std::countr_zero(bits);
            bits &= bits - 1;
            *field = {first, static_cast<std::size_t>(end - first)};
            first = end + 1;
        }
        joined = static_cast<std::size_t>(field - fields.begin());
        for (; field != fields.end(); ++field)
            *field = rest();
        return std::min(joined, mostJoined);
    }
    for (; field != fields.end(); ++field) {
        if (bits == 0) {
            while (bits == 0 && last - chunk > 64) {
                chunk += 64;
                bits = separatorBits(chunk, last, c, blanks);
            }
            if (bits == 0) {
                *field = rest();
                continue;
            }
        }
        const char* const end = chunk + std::countr_zero(bits);
        bits &= bits - 1;
        *field = {first, static_cast<std::size_t>(end - first)};
        afterSeparator(end);
    }
    return std::min(joined, mostJoined);
}

} // namespace
#endif

std::size_t takeFields(std::string_view line, std::string_view separator,
                       std::span<std::string_view> fields) noexcept {
#if defined(__SSE2__)
    // Every x86-64 processor compares sixteen bytes at once: for the one-character separators of
    // cell and ZAVEK files this takes a tenth of a forward and a quarter of a back conversion's
    // instructions off the field-by-field rule below.
    if (separator.size() == 1 && separator[0] != ' ' && !fields.empty())
        return takeFieldsAt(separator[0], line, fields);
#endif
    for (auto& field : fields)
        field = NextFieldBy(line, separator);
    return 0;
}

std::int64_t countFields(std::string_view line, std::string_view separator) noexcept {
    if (separator.size() == 1 && separator[0] != ' ') {
        // Trimming cannot take the separator: each one ends a field, and the text after the last
        // is one more unless the line ends with it. A line of blanks is one empty field.
        if (line.empty()) return 0;
        const auto trimmed = trimBlanks(line);
        const char c = separator[0];
        return std::count(trimmed.begin(), trimmed.end(), c) +
               (trimmed.empty() || trimmed.back() != c ? 1 : 0);
    }
    std::int64_t count = 0;
    for (; !line.empty(); ++count)
        NextFieldBy(line, separator);
    return count;
}

std::string ReplaceCommaPoint(std::string_view St) {
    std::string result(St.size(), '\0');
    copyReplacingCommas(result.data(), St);
    return result;
}

std::string separatorFromText(std::string_view typed) {
    const auto isTab = typed.size() == 3 && (typed[0] | 0x20) == 't' && (typed[1] | 0x20) == 'a' &&
                       (typed[2] | 0x20) == 'b';
    return isTab ? std::string("\t") : std::string(typed);
}

} // namespace vqd
