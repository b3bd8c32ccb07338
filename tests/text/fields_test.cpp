#include "../support/test_support.h"
#include "text/fields.h"

namespace vqd {
namespace {

Lines oneAtATime(std::string_view line, std::string_view separator) {
    Lines fields;
    while (!line.empty())
        fields.emplace_back(NextFieldBy(line, separator));
    return fields;
}

// Blanks are spaces only, trimmed before a separator is looked for; after a longer separator only
// its first character goes; an empty separator takes one character at a time.
TEST(Fields, TakenFromTheFront) {
    // clang-format off
    const std::tuple<std::string, std::string, Lines> rows[]{
        {"  a ; \tb ", ";", {"a ", "\tb"}}, {"x ab y", "ab", {"x ", "b y"}}, {"abc", "", {"", "", ""}},
        {"  A B  1", " ", {"A", "B", "1"}}, {"  A;;B;;1", ";;", {"A", ";B", ";1"}}};
    // clang-format on
    for (const auto& [line, separator, fields] : rows)
        EXPECT_EQ(oneAtATime(line, separator), fields) << line;
    for (const auto& [typed, taken] : {std::pair{"tAb", "\t"}, {"TAB ", "TAB "}, {"t@b", "t@b"}})
        EXPECT_EQ(separatorFromText(typed), taken) << typed;
}

// A record taken at once, counted or walked through agrees with the rule. Its leading fields (< n),
// each ended by a one-character separator not the blank and no blank dropped, stand as written.
void expectAsOneAtATime(const std::string& line, const std::string& separator, std::size_t n) {
    Lines expected = oneAtATime(line, separator), walked;
    EXPECT_EQ(countFields(line, separator), static_cast<std::int64_t>(expected.size())) << line;
    for (const std::string_view field : LineFields(line, separator))
        walked.emplace_back(field);
    EXPECT_EQ(walked, expected) << line;
    std::size_t asWritten = 0;
    for (auto rest = trimBlanks(line);
         separator.size() == 1 && separator != " " && asWritten + 1 < n; ++asWritten) {
        const auto p = rest.find(separator);
        if (p == std::string_view::npos || rest.substr(p + 1).starts_with(' ')) break;
        rest = rest.substr(p + 1);
    }
    expected.resize(n);
    std::vector<std::string_view> fields(n);
    EXPECT_EQ(takeFields(line, separator, fields), asWritten) << line << ", " << n << " fields";
    EXPECT_EQ(Lines(fields.begin(), fields.end()), expected) << line << ", " << n << " fields";
}

// Every short line of fields, blanks, tabs and separators; then long ones, whose separators are
// found sixteen and sixty-four bytes at a time, with and without blanks.
TEST(Fields, TakenAtOnceAsOneAtATime) {
    std::vector<std::string> lines{""};
    for (std::size_t i = 0; i < lines.size() && lines[i].size() < 5; ++i)
        for (const char c : {'a', ';', ' ', '\t'})
            lines.push_back(lines[i] + c);
    for (const auto& line : lines)
        for (const std::string separator : {";", "\t", " ", ";;", ""})
            for (std::size_t n = 1; n <= 7; ++n)
                expectAsOneAtATime(line, separator, n);
    std::mt19937 random(1);
    for (int i = 0; i < 3000 && !HasFailure(); ++i) {
        std::string line(random() % 200, 'x');
        const unsigned separators = 1 + random() % 40, blanks = random() % 2;
        for (auto& c : line)
            c = random() % separators == 0 ? ';' : random() % 8 < blanks ? ' ' : c;
        expectAsOneAtATime(line, ";", 1 + random() % 12);
    }
}

} // namespace
} // namespace vqd
