// Lines of arbitrary bytes, and their fields: the reader, line by line and in chunks, must agree
// with a plain reading of the line-end rule, and every field must be a piece of its line.
#include "fuzz_support.h"
#include "text/fields.h"
#include "text/line_reader.h"

#include <array>
#include <vector>

using namespace vqd;

namespace {

std::vector<std::string_view> referenceLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') continue;
        lines.push_back(bytes.substr(start, i - start));
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

const char* const separators[] = {";", ",", "\t", "", "ab", " ", ";;"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view separator = separators[data[0] % std::size(separators)];
    const std::string_view bytes = fuzz::asText(data + 1, size - 1);
    const auto expected = referenceLines(bytes);

    LineReader reader;
    fuzz::require(reader.open(fuzz::scratchFile("lines", bytes)));
    std::size_t index = 0;
    std::string_view line;
    while (reader.next(line)) {
        fuzz::require(index < expected.size() && line == expected[index]);
        ++index;
        std::string_view rest = line;
        std::string_view byRule = line;
        std::size_t fieldBytes = 0;
        std::int64_t fields = 0;
        for (; !rest.empty(); ++fields) {
            const auto before = rest.size();
            const auto field = NextFieldBy(rest, separator);
            // The quick road for everyday separators takes the same fields as the rule.
            fuzz::require(field == nextFieldBySeparatorText(byRule, separator) && rest == byRule);
            fuzz::require(field.empty() ||
                          (field.data() >= line.data() &&
                           field.data() + field.size() <= line.data() + line.size()));
            fuzz::require(rest.size() < before); // every call makes progress
            fieldBytes += field.size();
        }
        fuzz::require(fieldBytes <= line.size());
        std::array<std::string_view, 8> atOnce;
        takeFields(line, separator, atOnce);
        std::string_view again = line;
        for (const auto field : atOnce)
            fuzz::require(field == NextFieldBy(again, separator));
        fuzz::require(countFields(line, separator) == fields);
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
