#include "text/fields.h"

#include <algorithm>
#include <cstring>
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

namespace {

// Counts eight bytes at a time: the inspection of a large cell file counts every separator in it.
std::int64_t countByte(const char* first, const char* last, char c) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t lowSeven = 0x7F7F7F7F7F7F7F7Fu;
    const std::uint64_t pattern = ones * static_cast<unsigned char>(c);
    std::int64_t count = 0;
    for (; last - first >= 8; first += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, first, 8);
        const std::uint64_t x = word ^ pattern; // zero bytes where c is
        // The high bit of each byte set when that byte of x is not zero, without carries between
        // bytes; then one bit for each c, summed into the top byte by the multiplication.
        const std::uint64_t nonZero = ((x & lowSeven) + lowSeven) | x;
        const std::uint64_t isC = (~nonZero >> 7) & ones;
        count += static_cast<std::int64_t>((isC * ones) >> 56);
    }
    for (; first != last; ++first)
        count += *first == c ? 1 : 0;
    return count;
}

} // namespace

// Any separator, by the rule as stated.
std::string_view nextFieldBySeparatorText(std::string_view& line,
                                          std::string_view separator) noexcept {
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

namespace {

// Bit i set where first[i] is c, for the first min(64, last - first) bytes: the separators of a
// whole cell line are found in a few word operations, and each field then costs one bit scan.
// `blanks` is cleared when those bytes certainly hold no blank.
std::uint64_t separatorBits(const char* first, const char* last, char c, bool& blanks) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t lowSeven = 0x7F7F7F7F7F7F7F7Fu;
    constexpr std::uint64_t gatherLowBits = 0x0102040810204080u; // bit 8k to bit 56 + k
    const std::uint64_t pattern = ones * static_cast<unsigned char>(c);
    const auto wordBits = [&](const char* at) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, 8);
        const std::uint64_t x = word ^ pattern;
        const std::uint64_t isC = ~(((x & lowSeven) + lowSeven) | x) & ~lowSeven;
        return ((isC >> 7) * gatherLowBits) >> 56;
    };
    const auto size = static_cast<int>(std::min<std::ptrdiff_t>(last - first, 64));
    std::uint64_t bits = 0;
    blanks = true;
#if defined(__SSE2__)
    // Every x86-64 processor compares sixteen bytes at once; blanks are looked for alongside.
    if (size >= 16) {
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
        if (i < size) bits |= (blockBits(first + size - 16) >> (i + 16 - size)) << i;
        blanks = _mm_movemask_epi8(blankBytes) != 0;
        return bits;
    }
#endif
    if (size < 8) {
        for (int i = 0; i < size; ++i)
            bits |= static_cast<std::uint64_t>(first[i] == c) << i;
        return bits;
    }
    int i = 0;
    for (; i + 8 <= size; i += 8)
        bits |= wordBits(first + i) << i;
    // The last word overlaps the one before; only its bytes from i on are new.
    if (i < size) bits |= (wordBits(first + size - 8) >> (i + 8 - size)) << i;
    return bits;
}

} // namespace

std::size_t takeFields(std::string_view line, std::string_view separator,
                       std::span<std::string_view> fields) noexcept {
    auto field = fields.begin();
    if (separator.size() != 1 || separator[0] == ' ') {
        for (; field != fields.end(); ++field)
            *field = nextFieldBySeparatorText(line, separator);
        return 0;
    }
    if (fields.empty()) return 0;
    // The last field asked for has no next field to be joined to.
    const std::size_t mostJoined = fields.size() - 1;
    const char c = separator[0];
    const char* first = fieldsDetail::skipBlanks(line.data(), line.data() + line.size());
    const char* const last = fieldsDetail::dropTrailingBlanks(first, line.data() + line.size());
    // Fields ended by the separator with no blank dropped after it, from the first field on.
    std::size_t joined = 0;
    bool joining = true;
    const auto afterSeparator = [&](const char* end) {
        first = fieldsDetail::skipBlanks(end + 1, last);
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
    if constexpr (std::endian::native != std::endian::little) {
        for (; field != fields.end(); ++field) {
            const char* const end = fieldsDetail::findByte(first, last, c);
            if (end == last) {
                *field = rest();
                continue;
            }
            *field = {first, static_cast<std::size_t>(end - first)};
            afterSeparator(end);
        }
        return std::min(joined, mostJoined);
    }
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

std::int64_t countFields(std::string_view line, std::string_view separator) noexcept {
    if (separator.size() != 1 || separator[0] == ' ') {
        std::int64_t count = 0;
        while (!line.empty()) {
            nextFieldBySeparatorText(line, separator);
            ++count;
        }
        return count;
    }
    if (line.empty()) return 0;
    const char* first = fieldsDetail::skipBlanks(line.data(), line.data() + line.size());
    const char* last = fieldsDetail::dropTrailingBlanks(first, line.data() + line.size());
    // A line of blanks is one empty field. Otherwise each separator ends a field, and the text
    // after the last one is a field unless the line ends with the separator.
    if (first == last) return 1;
    const char c = separator[0];
    return countByte(first, last, c) + (last[-1] != c ? 1 : 0);
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
