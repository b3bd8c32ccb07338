#include "../support/test_support.h"
#include "forward/cell_record.h"
#include "text/numbers.h"

#include <gtest/gtest.h>

namespace vqd {
namespace {

ConversionRequest requestFor(int varCount) {
    ConversionRequest request;
    request.VarCount = varCount;
    request.Separator = ";";
    request.Dom1Perc = 90;
    request.Dom2Perc = 80;
    request.FreqFraction = 0.1;
    request.Variables.assign(varCount, {"V", false, "", "", false, "", "T"});
    return request;
}

struct RuleCase {
    std::string fields; // value;freq;flag;dom
    std::string lower, upper;
    char status;
    bool illegalDom, illegalLevel;
};

class ProtectionRules : public testing::TestWithParam<RuleCase> {};

TEST_P(ProtectionRules, DeriveStatusAndLevels) {
    const auto& c = GetParam();
    const auto request = requestFor(0);
    TotalsFound found{};
    CellRecord record;
    ASSERT_TRUE(ReadCellRecord(c.fields, request, found, record));
    EXPECT_EQ(renderLevelText(record.LowerPL), c.lower);
    EXPECT_EQ(renderLevelText(record.UpperPL), c.upper);
    EXPECT_EQ(record.Status, c.status);
    EXPECT_EQ(record.IllegalDomPercentage, c.illegalDom);
    EXPECT_EQ(record.IllegalProtectionLevel, c.illegalLevel);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ProtectionRules,
    testing::Values(RuleCase{"1000;5;B;85", "100.000", "100.000", 'U', true, false},
                    RuleCase{"1000;5;B;90", "0.001", "0.001", 'U', false, false},
                    RuleCase{"1000;5;C;80", "0.001", "0.001", 'U', false, false},
                    RuleCase{"1000;5;C;79,9", "100.000", "100.000", 'U', true, false},
                    RuleCase{"1000;5;S;99", "0.001", "0.001", 'S', false, false},
                    RuleCase{"1000;5;;", "0.001", "0.001", 'S', false, false},
                    RuleCase{"1000;5;b;95", "55.556", "55.556", 'U', false, false},
                    RuleCase{"1000;5;AB;95", "0.001", "0.001", 'U', false, false},
                    RuleCase{"1000;5;B1;95", "0.001", "0.001", 'U', false, false},
                    RuleCase{"1000;5;C1;95", "0.001", "0.001", 'S', false, false},
                    RuleCase{"0;0;S;0", "0.000", "0.001", 'S', false, false},
                    RuleCase{"-100;1;A;0", "-100.000", "-10.000", 'U', false, true},
                    RuleCase{"", "0.000", "0.001", 'S', false, false},
                    RuleCase{"0,5;1;B;180", "0.500", "0.500", 'U', false, false}),
    [](const auto& info) { return test::rowName(info.index, info.param.fields); });

TEST(CellRecord, FieldsAndExactTotalsOfATwoVariableLine) {
    const auto request = requestFor(2);
    TotalsFound found{};
    CellRecord record;
    ASSERT_TRUE(ReadCellRecord("  A01 ; T;1200,50; 7,0 ;b;95;ignored", request, found, record));
    EXPECT_EQ(record.Fields[0], "A01 ");
    EXPECT_EQ(record.Fields[1], "T");
    EXPECT_EQ(record.ValueField, "1200,50");
    EXPECT_EQ(record.CellValue, 1200.5);
    EXPECT_EQ(record.FreqField, "7,0 ");
    EXPECT_EQ(record.Status, 'U');
    EXPECT_EQ(found, (TotalsFound{false, true, false, false}));
    // Totals match exactly: not in another case, nor with a blank before the separator.
    found = {};
    ASSERT_TRUE(ReadCellRecord("t;T ;1;1;S;0", request, found, record));
    EXPECT_EQ(found, (TotalsFound{false, false, false, false}));
}

// A level beyond the range from a value within it stops the record too.
TEST(CellRecord, NumbersBeyondTheFloatRangeStopTheRecord) {
    TotalsFound found{};
    CellRecord record;
    for (const auto& [line, text] : {std::pair{"1e400;1;S;0", "1e400"},
                                     {"1;1;S;-1e999", "-1e999"},
                                     {"1e308;1;B;1e10", "1e308"}}) {
        EXPECT_FALSE(ReadCellRecord(line, requestFor(0), found, record)) << line;
        EXPECT_EQ(record.OutOfRangeText, text);
    }
}

} // namespace
} // namespace vqd
