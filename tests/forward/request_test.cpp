#include "../support/test_support.h"
#include "forward/conversion_request.h"

#include <functional>
#include <gtest/gtest.h>

namespace vqd {
namespace {

using Lines = std::vector<std::string>;

// Each row changes what differs from a page of two complete variables, and names the message of
// the first check that fails ("" when none does); where a row sets two faults, the earlier check
// speaks. A negative dimension is none: no row is checked, not even a nameless one.
TEST(Request, ChecksInOrderAndShowsTheFirstFailure) {
    const std::string fives = " 0," + std::string(70, '5'); // as entered, not cut
    // clang-format off
    const std::vector<std::pair<std::function<void(ForwardPageValues&)>, std::string>> cases{
        {[](auto&) {}, ""},
        {[](auto& p) { p.VarCount = -3; p.rows[0].VarName = ""; }, ""},
        {[](auto& p) { p.VarCount = 5; p.txtPerc[1] = "0"; }, "Dimension above 4 is not supported: 5"},
        {[](auto& p) { p.txtPerc[1] = "0"; p.txtPerc[2] = "0"; }, "Illegal Percentage for Dominance 1:0"},
        {[&](auto& p) { p.txtPerc[2] = fives; }, "Illegal Percentage for Dominance 2:" + fives},
        {[](auto& p) { p.txtPerc[0] = "-1e999"; }, "Number out of range: -1e999"},
        {[](auto& p) { p.rows[1].VarName = "  "; }, "no variable name specified for var 2"},
        {[](auto& p) { p.rows[0].HierCodeList = true; }, "no hierarchy file specified for var 1"},
        {[](auto& p) { p.rows[1].LevelsSpec = ""; }, "Error in hier.levels specification for var 2"},
        {[](auto& p) { p.rows[1].HierCodeList = true; p.rows[1].HierFile = "x.hrc"; },
         "Error in hier.levels specification for var 2"},
        {[](auto& p) { p.rows[0].TotCode = ""; }, "no total code specified for var 1"},
        {[](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = "DIR/r.hrc"; },
         "Cannot read file: DIR/r.hrc\n" + test::missingFileReason},
        {[](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = "DIR/r\r\n.hrc"; },
         "Line break in hierarchy file name for var 1: DIR/r\\r\\n.hrc"},
        {[](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = "DIR/empty.hrc"; },
         "No lines in hierarchy file: DIR/empty.hrc"},
    };
    // clang-format on
    for (const auto& [change, message] : cases) {
        SCOPED_TRACE(message);
        test::ScratchFolder folder;
        folder.write("empty.hrc", "");
        ForwardPageValues page;
        page.VarCount = 2;
        page.rows[0] = {"Region", false, "", "", false, "", "NL"};
        page.rows[1] = {"Age", false, "", "", true, "1 2", "Total"};
        change(page);
        for (auto& row : page.rows)
            row.HierFile = test::expand(folder, row.HierFile);
        test::RecordingMessages messages;
        const auto request = gatherRequest(page, messages);
        EXPECT_EQ(test::shownTexts(messages),
                  message.empty() ? Lines{} : Lines{"critical: " + test::expand(folder, message)});
        // An accepted request has a variable for each one of its dimension.
        EXPECT_EQ(request ? request->VarCount - std::ssize(request->Variables) : -1,
                  message.empty() ? 0 : -1);
    }
}

// The first character that most lines start with, the first seen on ties; a 41st distinct one is
// not counted however often it occurs.
TEST(Request, LeadStringOfACodeList) {
    std::string fortyOne;
    for (char c = '0'; c < '0' + 40; ++c)
        fortyOne += c + std::string("\r\n");
    test::ScratchFolder folder;
    // clang-format off
    for (const auto& [lines, lead] : std::initializer_list<std::pair<std::string, std::string>>{
             {"1\r\n+11\r\n+12\r\n2", "+"}, {"A\r\nB", "A"}, {"\r\n\r\nx", ""}, {fortyOne + "~\r\n~", "0"}}) {
        // clang-format on
        test::RecordingMessages messages;
        EXPECT_EQ(ZoekLeadstring(folder.write("h.hrc", lines), messages), lead);
        EXPECT_TRUE(messages.shown.empty());
    }
}

} // namespace
} // namespace vqd
