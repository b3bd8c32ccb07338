// Lines of arbitrary bytes, and their fields: the reader, line by line and in chunks, must agree
// with a plain reading of the line-end rule, and every field must be a piece of its line.
#include "files/line_reader.h"
#include "fuzz_support.h"
#include "text/fields.h"

#include <array>
#include <span>
#include <string>

using namespace vqd;

namespace {

const char* const separators[] = {";", ",", "\t", "", "ab", " ", ";;"};

// The leading fields that stand in the line each followed by the separator alone, by the rule: a
// field counts when a separator ended it and the rest after that separator lost no blank.
std::size_t fieldsAsWritten(std::string_view line, std::string_view separator, std::size_t asked) {
    if (separator.size() != 1 || separator[0] == ' ') return 0;
    std::string_view rest = trimBlanks(line);
    std::size_t count = 0;
    for (; count + 1 < asked; ++count) {
        const auto p = rest.find(separator[0]);
        if (p == std::string_view::npos) break;
        const auto after = rest.substr(p + 1);
        if (!after.empty() && after[0] == ' ') break;
        rest = after;
    }
    return count;
}

// takeFields and countFields take a line as NextFieldBy, the rule, does.
void checkFields(std::string_view line, std::string_view separator) {
    std::string_view rest = line;
    std::size_t fieldBytes = 0;
    std::int64_t fields = 0;
    for (; !rest.empty(); ++fields) {
        const auto before = rest.size();
        const auto field = NextFieldBy(rest, separator);
        fuzz::require(field.empty() || (field.data() >= line.data() &&
                                        field.data() + field.size() <= line.data() + line.size()));
        fuzz::require(rest.size() < before); // every call makes progress
        fieldBytes += field.size();
    }
    fuzz::require(fieldBytes <= line.size());
    fuzz::require(countFields(line, separator) == fields);
    // Fewer fields than the line holds, and more.
    for (std::size_t asked = 0; asked <= 8; ++asked) {
        std::array<std::string_view, 8> atOnce;
        const auto taken = std::span(atOnce).first(asked);
        const auto asWritten = takeFields(line, separator, taken);
        std::string_view again = line;
        for (const auto field : taken)
            fuzz::require(field == NextFieldBy(again, separator));
        fuzz::require(asWritten == fieldsAsWritten(line, separator, asked));
        if (asWritten == 0) continue;
        // What a caller copies in one piece.
        std::string joined(taken[0]);
        for (std::size_t i = 1; i <= asWritten; ++i)
            joined.append(separator).append(taken[i]);
        const char* const start = taken[0].data();
        fuzz::require(start >= line.data() && start + joined.size() <= line.data() + line.size() &&
                      std::string_view(start, joined.size()) == joined);
    }
}

// A line of letters, blanks, tabs and separators made from arbitrary bytes: short lines with
// blanks and tabs around their separators are where a quick road is likeliest to leave the rule.
std::string shaped(std::string_view bytes, std::string_view separator) {
    const char separatorByte = separator.empty() ? ';' : separator[0];
    const char alphabet[] = {'a', 'b', ' ', '\t', separatorByte, separatorByte};
    std::string line;
    for (const char c : bytes)
        line += alphabet[static_cast<unsigned char>(c) % std::size(alphabet)];
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view separator = separators[data[0] % std::size(separators)];
    const std::string_view bytes = fuzz::asText(data + 1, size - 1);
    const auto expected = fuzz::linesByRule(bytes);

    LineReader reader;
    fuzz::require(reader.open(fuzz::scratchFile("lines", bytes)));
    std::size_t index = 0;
    std::string_view line;
    while (reader.next(line)) {
        fuzz::require(index < expected.size() && line == expected[index]);
        ++index;
        checkFields(line, separator);
        checkFields(shaped(line, separator), separator);
    }
    fuzz::require(reader.error().empty() && index == expected.size());

    // Chunks of whole lines, of a size and a cost a line the input picks, hold the same lines.
    LineReader chunks;
    fuzz::require(chunks.open(fuzz::scratchFile("lines", bytes)));
    LineChunk chunk;
    index = 0;
    while (chunks.nextChunk(chunk, 1 + data[0] / 8, data[0] % 8)) {
        std::string_view lines = chunk.lines();
        fuzz::require(!lines.empty());
        while (nextLineOfChunk(lines, line))
            fuzz::require(index < expected.size() && line == expected[index++]);
    }
    fuzz::require(chunks.error().empty() && index == expected.size());
    return 0;
}
