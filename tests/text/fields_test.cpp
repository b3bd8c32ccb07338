#include "../support/test_support.h"
#include "text/fields.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vqd {
namespace {

// Every field NextFieldBy yields until the line is empty (at most 10, for the empty separator).
std::vector<std::string> splitAll(std::string_view line, std::string_view separator) {
    std::vector<std::string> fields;
    do {
        fields.emplace_back(NextFieldBy(line, separator));
    } while (!line.empty() && fields.size() < 10);
    return fields;
}

struct FirstFieldCase {
    std::string line, separator, field, rest;
};

class FirstField : public testing::TestWithParam<FirstFieldCase> {};

TEST_P(FirstField, YieldsFieldAndLeavesTrimmedRest) {
    const auto& c = GetParam();
    std::string_view line = c.line;
    EXPECT_EQ(NextFieldBy(line, c.separator), c.field);
    EXPECT_EQ(line, c.rest);
}

// After a longer separator only its first character goes, and the rest is trimmed.
INSTANTIATE_TEST_SUITE_P(
    Separators, FirstField,
    testing::Values(FirstFieldCase{"  a ; b ", ";", "a ", "b"}, // blank before separator stays
                    FirstFieldCase{"a;", ";", "a", ""}, FirstFieldCase{"", ";", "", ""},
                    FirstFieldCase{"\ta\t", ";", "\ta\t", ""}, // tabs are not blanks
                    FirstFieldCase{"xaby", "ab", "x", "by"},
                    FirstFieldCase{"x ab y", "ab", "x ", "b y"}),
    [](const auto& info) {
        return test::rowName(info.index, info.param.line + "_by_" + info.param.separator);
    });

TEST(NextFieldBy, ConsumesLineFieldByField) {
    EXPECT_EQ(splitAll("a;;b", ";"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitAll("a\t b", "\t"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(splitAll("abc", ""), (std::vector<std::string>{"", "", ""}));
}

struct RecordCase {
    const char* name;
    std::string line, separator;
    std::size_t asked;
    std::vector<std::string> fields;
    std::size_t asWritten; // leading fields that stand in the line each followed by the separator
};

class WholeRecord : public testing::TestWithParam<RecordCase> {};

// All fields of a record at once must be those NextFieldBy takes one at a time, also where the
// line ends before the fields asked for; only fields with nothing dropped after their separator
// count as standing in the line as written.
TEST_P(WholeRecord, TakesWhatNextFieldByTakes) {
    const auto& c = GetParam();
    std::vector<std::string_view> fields(c.asked);
    const auto asWritten = takeFields(c.line, c.separator, fields);
    EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), c.fields);
    EXPECT_EQ(asWritten, c.asWritten);
}

const std::string x20(20, 'x');
const std::string x70(70, 'x');

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, WholeRecord,
    testing::Values(
        RecordCase{"BlankAfterSeparator", "A; B", ";", 4, {"A", "B", "", ""}, 0},
        RecordCase{"BlankAfterSecondSeparator", "A;B; C", ";", 4, {"A", "B", "C", ""}, 1},
        RecordCase{"BlankBetweenSeparators", "A; ;C", ";", 4, {"A", "", "C", ""}, 0},
        RecordCase{"BlankAfterTab", "A\t B", "\t", 3, {"A", "B", ""}, 0},
        RecordCase{"SeparatorAtEnd", "A;B;", ";", 3, {"A", "B", ""}, 2},
        RecordCase{"BlankBeforeTabAfter", "A ;\tB;C;D", ";", 3, {"A ", "\tB", "C"}, 2},
        // Long enough for the lines read sixteen and sixty-four bytes at a time.
        RecordCase{"Long", x20 + ";" + x20 + ";", ";", 3, {x20, x20, ""}, 2},
        RecordCase{"BeyondSixtyFour", x70 + ";" + x70 + "; y", ";", 4, {x70, x70, "y", ""}, 1},
        // Leading blanks go before any separator is looked for, whatever the separator.
        RecordCase{"BlankSeparatorLeadingBlanks", "  A B  1", " ", 4, {"A", "B", "1", ""}, 0},
        RecordCase{"LongerSeparatorLeadingBlanks", "  A;;B;;1", ";;", 3, {"A", ";B", ";1"}, 0}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(SeparatorFromText, TabInAnyCaseIsTheTabCharacter) {
    EXPECT_EQ(separatorFromText("TAB"), "\t");
    EXPECT_EQ(separatorFromText("tAb"), "\t");
    EXPECT_EQ(separatorFromText("TAB "), "TAB ");
}

} // namespace
} // namespace vqd
