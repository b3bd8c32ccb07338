#include "../support/test_support.h"
#include "forward/conversion_request.h"

#include <functional>
#include <gtest/gtest.h>

namespace vqd {
namespace {

// Two complete variable rows; each case breaks one thing.
ForwardPageValues validPage() {
    ForwardPageValues page;
    page.txtVQDFileName = "cells.csv";
    page.FieldSeparator = ";";
    page.VarCount = 2;
    page.rows[0] = {"Region", false, "", "", false, "", "NL"};
    page.rows[1] = {"Age", false, "", "", true, "1 2", "Total"};
    return page;
}

struct RefusalCase {
    const char* name;
    std::function<void(ForwardPageValues&)> change;
    std::string message;
};

class Refusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, FirstFailingCheckShowsItsMessage) {
    test::ScratchFolder folder;
    folder.write("empty.hrc", "");
    auto page = validPage();
    GetParam().change(page);
    for (auto& row : page.rows)
        row.HierFile = test::expand(folder, row.HierFile);
    test::RecordingMessages messages;
    EXPECT_FALSE(gatherRequest(page, messages));
    EXPECT_EQ(messages.shown, (std::vector<test::RecordedMessage>{
                                  {true, test::expand(folder, GetParam().message)}}));
}

// Where a row sets two faults, the earlier check speaks.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Checks, Refusals, testing::Values(
    RefusalCase{"DimensionAbove4", [](auto& p) { p.VarCount = 5; p.txtPerc[1] = "0"; }, "Dimension above 4 is not supported: 5"},
    RefusalCase{"Dom1Zero", [](auto& p) { p.txtPerc[1] = "0"; p.txtPerc[2] = "0"; }, "Illegal Percentage for Dominance 1:0"},
    RefusalCase{"Dom2Zero", [](auto& p) { p.txtPerc[2] = " 0,5"; }, "Illegal Percentage for Dominance 2: 0,5"},
    RefusalCase{"Dom2ZeroAsEntered", [](auto& p) { p.txtPerc[2] = "0," + std::string(70, '0'); },
                "Illegal Percentage for Dominance 2:0," + std::string(70, '0')},
    RefusalCase{"FreqTooLarge", [](auto& p) { p.txtPerc[0] = "-1e999"; }, "Number out of range: -1e999"},
    RefusalCase{"NoName", [](auto& p) { p.rows[1].VarName = "  "; }, "no variable name specified for var 2"},
    RefusalCase{"NoHierFile", [](auto& p) { p.rows[0].HierCodeList = true; }, "no hierarchy file specified for var 1"},
    RefusalCase{"EmptyLevels", [](auto& p) { p.rows[1].LevelsSpec = ""; }, "Error in hier.levels specification for var 2"},
    RefusalCase{"BothHierarchies", [](auto& p) { p.rows[1].HierCodeList = true; p.rows[1].HierFile = "x.hrc"; },
                "Error in hier.levels specification for var 2"},
    RefusalCase{"NoTotal", [](auto& p) { p.rows[0].TotCode = ""; }, "no total code specified for var 1"},
    RefusalCase{"MissingHierFile", [](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = "DIR/r.hrc"; },
                "Cannot read file: DIR/r.hrc\n" + test::missingFileReason},
    RefusalCase{"LineBreakInHierFileName", [](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = "DIR/r\r\n.hrc"; },
                "Line break in hierarchy file name for var 1: DIR/r\\r\\n.hrc"},
    RefusalCase{"EmptyHierFile", [](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = "DIR/empty.hrc"; },
                "No lines in hierarchy file: DIR/empty.hrc"},
    RefusalCase{"HierFileADevice", [](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = test::nullDevice; },
                "Cannot read file: " + test::nullDevice + "\nnot a regular file"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// A negative dimension is none: no row is checked, not even a nameless one.
TEST(Request, NegativeDimensionHasNoRows) {
    auto page = validPage();
    page.rows[0].VarName = "";
    page.VarCount = -3;
    test::RecordingMessages messages;
    const auto request = gatherRequest(page, messages);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->VarCount, 0);
    EXPECT_TRUE(request->Variables.empty());
}

struct LeadCase {
    std::vector<std::string> lines;
    std::string lead;
};

class LeadString : public testing::TestWithParam<LeadCase> {};

TEST_P(LeadString, MostCommonFirstCharacterFirstSeenOnTies) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    EXPECT_EQ(ZoekLeadstring(folder.write("h.hrc", test::crlfLines(GetParam().lines)), messages),
              GetParam().lead);
    EXPECT_TRUE(messages.shown.empty());
}

// A 41st distinct first character is not counted however often it occurs.
std::vector<std::string> fortyOneFirstCharacters() {
    std::vector<std::string> lines(5, "~x");
    for (char c = '0'; c < '0' + 40; ++c)
        lines.insert(lines.begin(), std::string(1, c));
    return lines;
}

INSTANTIATE_TEST_SUITE_P(CodeLists, LeadString,
                         testing::Values(LeadCase{{"1", "+11", "+12", "++111", "2", "+21"}, "+"},
                                         LeadCase{{"A", "B"}, "A"}, LeadCase{{"", "", "x"}, ""},
                                         LeadCase{fortyOneFirstCharacters(), "W"}),
                         [](const auto& info) {
                             return test::rowName(info.index, info.param.lead);
                         });

} // namespace
} // namespace vqd
