#include "../support/test_support.h"
#include "text/fields.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vqd {
namespace {

struct RecordCase {
    const char* name;
    std::string line, separator;
    std::vector<std::string> fields; // as many as asked for
    std::size_t asWritten; // leading fields that stand in the line each followed by the separator
};

class Fields : public testing::TestWithParam<RecordCase> {};

// All fields of a record at once must be those NextFieldBy takes one at a time, also where the
// line ends before the fields asked for; only fields with nothing dropped after their separator
// count as standing in the line as written.
TEST_P(Fields, TakenAtOnceAsOneAtATime) {
    const auto& c = GetParam();
    std::vector<std::string_view> fields(c.fields.size());
    EXPECT_EQ(takeFields(c.line, c.separator, fields), c.asWritten);
    EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), c.fields);
    std::string_view line = c.line;
    for (auto& field : fields)
        field = NextFieldBy(line, c.separator);
    EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), c.fields);
}

const std::string x20(20, 'x');
const std::string x70(70, 'x');

// After a longer separator only its first character goes, and the rest is trimmed; tabs are not
// blanks; an empty separator takes one character at a time.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, Fields,
    testing::Values(
        RecordCase{"BlankBeforeSeparatorStays", "  a ; b ", ";", {"a ", "b"}, 0},
        RecordCase{"EmptyLine", "", ";", {"", ""}, 0},
        RecordCase{"EmptyField", "a;;b", ";", {"a", "", "b"}, 2},
        RecordCase{"TabsAreNoBlanks", "\ta\t", ";", {"\ta\t"}, 0},
        RecordCase{"LongerSeparator", "x ab y", "ab", {"x ", "b y"}, 0},
        RecordCase{"EmptySeparator", "abc", "", {"", "", ""}, 0},
        RecordCase{"BlankAfterSeparator", "A; B", ";", {"A", "B", "", ""}, 0},
        RecordCase{"BlankAfterSecondSeparator", "A;B; C", ";", {"A", "B", "C", ""}, 1},
        RecordCase{"BlankBetweenSeparators", "A; ;C", ";", {"A", "", "C", ""}, 0},
        RecordCase{"BlankAfterTab", "A\t B", "\t", {"A", "B", ""}, 0},
        RecordCase{"SeparatorAtEnd", "A;B;", ";", {"A", "B", ""}, 2},
        RecordCase{"BlankBeforeTabAfter", "A ;\tB;C;D", ";", {"A ", "\tB", "C"}, 2},
        // Long enough for the lines read sixteen and sixty-four bytes at a time.
        RecordCase{"Long", x20 + ";" + x20 + ";", ";", {x20, x20, ""}, 2},
        RecordCase{"BeyondSixtyFour", x70 + ";" + x70 + "; y", ";", {x70, x70, "y", ""}, 1},
        // Leading blanks go before any separator is looked for, whatever the separator.
        RecordCase{"BlankSeparatorLeadingBlanks", "  A B  1", " ", {"A", "B", "1", ""}, 0},
        RecordCase{"LongerSeparatorLeadingBlanks", "  A;;B;;1", ";;", {"A", ";B", ";1"}, 0}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(SeparatorFromText, TabInAnyCaseIsTheTabCharacter) {
    EXPECT_EQ(separatorFromText("TAB"), "\t");
    EXPECT_EQ(separatorFromText("tAb"), "\t");
    EXPECT_EQ(separatorFromText("TAB "), "TAB ");
}

} // namespace
} // namespace vqd
