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
                    FirstFieldCase{"x ab y", "ab", "x ", "b y"}));

TEST(NextFieldBy, ConsumesLineFieldByField) {
    EXPECT_EQ(splitAll("a;;b", ";"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitAll("a\t b", "\t"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(splitAll("abc", ""), (std::vector<std::string>{"", "", ""}));
}

TEST(SeparatorFromText, TabInAnyCaseIsTheTabCharacter) {
    EXPECT_EQ(separatorFromText("TAB"), "\t");
    EXPECT_EQ(separatorFromText("tAb"), "\t");
    EXPECT_EQ(separatorFromText("TAB "), "TAB ");
}

} // namespace
} // namespace vqd
