#include "../support/test_support.h"
#include "text/fields.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace vqd {
namespace {

using Fields = std::vector<std::string>;

// The fields NextFieldBy takes one after the other until the line is used up.
Fields oneAtATime(std::string_view line, std::string_view separator) {
    Fields fields;
    while (!line.empty())
        fields.emplace_back(NextFieldBy(line, separator));
    return fields;
}

// Blanks are spaces only; after a longer separator only its first character goes; an empty
// separator takes one character at a time; leading blanks go before a separator is looked for.
TEST(Fields, TakenFromTheFront) {
    // clang-format off
    const std::tuple<std::string, std::string, Fields> rows[]{
        {"", ";", {}}, {"   ", ";", {""}}, {"  a ; b ", ";", {"a ", "b"}},
        {"a;;b;", ";", {"a", "", "b"}}, {"\ta\t", ";", {"\ta\t"}}, {"x ab y", "ab", {"x ", "b y"}},
        {"abc", "", {"", "", ""}}, {"  A B  1", " ", {"A", "B", "1"}},
        {"  A;;B;;1", ";;", {"A", ";B", ";1"}}};
    // clang-format on
    for (const auto& [line, separator, fields] : rows)
        EXPECT_EQ(oneAtATime(line, separator), fields) << line;
}

// The leading fields, at most n - 1, each ended by a one-character separator other than the
// blank with no blank dropped after it: those stand in the line as written.
std::size_t asWritten(std::string_view line, std::string_view separator, std::size_t n) {
    if (separator.size() != 1 || separator == " ") return 0;
    line = trimBlanks(line);
    std::size_t k = 0;
    for (; k + 1 < n; ++k) {
        const auto p = line.find(separator);
        if (p == std::string_view::npos || line.substr(p + 1).starts_with(' ')) break;
        line = line.substr(p + 1);
    }
    return k;
}

// A record taken at once, its fields counted or walked through, agrees with the rule.
void expectAsOneAtATime(const std::string& line, const std::string& separator, std::size_t n) {
    SCOPED_TRACE("\"" + line + "\" by \"" + separator + "\", " + std::to_string(n) + " fields");
    Fields expected = oneAtATime(line, separator);
    EXPECT_EQ(countFields(line, separator), static_cast<std::int64_t>(expected.size()));
    Fields walked;
    for (const std::string_view field : LineFields(line, separator))
        walked.emplace_back(field);
    EXPECT_EQ(walked, expected);
    expected.resize(n);
    std::vector<std::string_view> fields(n);
    EXPECT_EQ(takeFields(line, separator, fields), asWritten(line, separator, n));
    EXPECT_EQ(Fields(fields.begin(), fields.end()), expected);
}

// Every short line of fields, blanks, tabs and separators; then long ones, found sixteen and
// sixty-four bytes at a time, with and without blanks.
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

TEST(SeparatorFromText, TabInAnyCaseIsTheTabCharacter) {
    EXPECT_EQ(separatorFromText("tAb"), "\t");
    EXPECT_EQ(separatorFromText("TAB "), "TAB ");
}

} // namespace
} // namespace vqd
