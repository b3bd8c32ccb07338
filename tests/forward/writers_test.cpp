#include "../support/test_support.h"
#include "forward/writers.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <gtest/gtest.h>
#include <regex>

namespace vqd {
namespace {

using test::crlfLines;
using Lines = std::vector<std::string>;

const std::vector<std::string> head = {" <SEPARATOR> \";\"", "  <SAFE>     \"S\"",
                                       "  <UNSAFE>   \"U\"", "  <PROTECT>  \"P\""};
const std::vector<std::string> cellVariables = {
    "CellValue", "  <NUMERIC>",           "CellFreq",  "  <FREQUENCY>",
    "CostVar",   "  <NUMERIC> <COSTVAR>", "Statusvar", " <STATUS>",
    "LowerProt", "  <NUMERIC> <LOWERPL>", "UpperProt", "  <NUMERIC> <UPPERPL>"};

std::string metadataWith(std::vector<std::string> variableLines) {
    std::vector<std::string> lines = head;
    lines.insert(lines.end(), variableLines.begin(), variableLines.end());
    lines.insert(lines.end(), cellVariables.begin(), cellVariables.end());
    return crlfLines(lines);
}

std::string metadataOf(const std::vector<VariableSpec>& variables, const char* separator = ";") {
    ConversionRequest request;
    request.Separator = separator;
    request.VarCount = static_cast<std::int32_t>(variables.size());
    request.Variables = variables;
    std::string out;
    appendMetadata(out, request);
    return out;
}

TEST(Metadata, EachHierarchyKindAndTheSeparatorByteForByte) {
    EXPECT_EQ(metadataOf({}), metadataWith({}));
    EXPECT_EQ(metadataOf({{"Region", false, "", "", false, "", "Total"}}),
              metadataWith({"Region 5", "  <RECODABLE>", "  <TOTCODE> Total"}));
    EXPECT_EQ(metadataOf({{"Age", false, "", "", true, "1 2 2", "T"}}),
              metadataWith({"Age 5", "  <RECODABLE>", "  <HIERARCHICAL>", "    <HIERLEVELS> 1 2 2",
                            "  <TOTCODE> T"}));
    EXPECT_EQ(metadataOf({{" Reg ion", true, "C:\\my \"codes\".hrc", "@", false, "", "NL "}}),
              metadataWith({" Reg ion 5", "  <RECODABLE>", "  <HIERARCHICAL>",
                            "  <HIERCODELIST> \"C:\\my \"codes\".hrc\"", "  <HIERLEADSTRING> \"@\"",
                            "  <TOTCODE> NL "}));
    // The separator line carries the separator itself.
    EXPECT_EQ(metadataOf({}, ",").substr(0, 17), " <SEPARATOR> \",\"\r");
    EXPECT_EQ(metadataOf({}, "\t").substr(0, 17), " <SEPARATOR> \"\t\"\r");
}

ConversionRequest twoVariables(const char* separator, std::int32_t varCount = 2) {
    ConversionRequest request;
    request.VarCount = varCount;
    request.Separator = separator;
    request.Dom1Perc = 90;
    request.Dom2Perc = 80;
    request.FreqFraction = 0.1;
    request.Variables = {{"Region", false, "", "", false, "", "NL"},
                         {"Age", false, "", "", false, "", "T"},
                         {"Sex", false, "", "", false, "", "T"}};
    return request;
}

std::string recordLines(const std::string& line, const ConversionRequest& request,
                        std::string* log = nullptr) {
    TotalsFound found{};
    CellRecord record;
    EXPECT_TRUE(ReadCellRecord(line, request, found, record));
    std::string data(recordLinesBound(line, request), '\0');
    std::string history = data;
    const auto end = writeRecordLines(data.data(), history.data(), record, request);
    data.resize(static_cast<std::size_t>(end.data - data.data()));
    history.resize(static_cast<std::size_t>(end.history - history.data()));
    if (log != nullptr) appendSuspectLogLines(*log, record, request, 17);
    return data + history;
}

// A worked unsafe cell; a safe one, which has no history, separated by tabs; a cell without
// variables, whose key is empty; and lines that end within their codes, whose missing fields are
// empty, with the blanks after a separator gone.
TEST(DataAndHistory, UnsafeSafeKeylessAndShortLines) {
    // clang-format off
    const std::tuple<std::string, ConversionRequest, Lines> cases[] = {
        {"A01;T;1200,5;7;B;95", twoVariables(";"), {"A01;T;1200.5;7; 1200.5;U;66.694;66.694", "A01;T;u", "A01;T;pl;66.694;66.694"}},
        {"A01\tT\t1200,50\t7\tS\t0", twoVariables("\t"), {"A01\tT\t1200.50\t7\t 1200.5\tS\t0.001\t0.001"}},
        {"10;1;A;0", twoVariables(";", 0), {"10;1; 10;U;1.000;1.000", "u", "pl;1.000;1.000"}},
        {"A; B;5;1;A;0", twoVariables(";"), {"A;B;5;1; 5;U;0.500;0.500", "A;B;u", "A;B;pl;0.500;0.500"}},
        {"A; B", twoVariables(";"), {"A;B;;; 0;S;0.000;0.001"}},
        {"A\t B", twoVariables("\t"), {"A\tB\t\t\t 0\tS\t0.000\t0.001"}},
        {"A; ;C", twoVariables(";", 3), {"A;;C;;; 0;S;0.000;0.001"}},
        {"A;B;C;", twoVariables(";", 3), {"A;B;C;;; 0;S;0.000;0.001"}},
    };
    // clang-format on
    for (const auto& [line, request, lines] : cases)
        EXPECT_EQ(recordLines(line, request), crlfLines(lines)) << line;
}

struct CostCase {
    const char* value;
    const char* cost;
};

class CostFromValueText : public testing::TestWithParam<CostCase> {};

// A value written as plain digits has its cost text made from the digits, without the general
// rendering: both must give the same text, at the edges of the plain form too.
TEST_P(CostFromValueText, SameAsTheGeneralRendering) {
    const std::string data =
        recordLines(std::string(GetParam().value) + ";1;S;0", twoVariables(";", 0));
    const auto costStart = data.find(';', data.find(';') + 1) + 1;
    const std::string cost = data.substr(costStart, data.find(';', costStart) - costStart);
    EXPECT_EQ(cost, GetParam().cost);
    EXPECT_EQ(cost, renderCostText(numericValue(ReplaceCommaPoint(GetParam().value))));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, CostFromValueText,
    testing::Values(CostCase{"0,00001", " 0.00001"}, CostCase{"0,000001", " 1E-06"},
                    CostCase{"999999999999999", " 999999999999999"},
                    CostCase{"1000000000000000", " 1E+15"}, CostCase{"-0,0", " 0"},
                    CostCase{"00,5", " 0.5"}, CostCase{"-12,50", "-12.5"}),
    [](const auto& info) { return test::rowName(info.index, info.param.value); });

TEST(Log, SuspectRecordGivesBothLinesDominanceFirst) {
    std::string log;
    recordLines("R1\tY\t-100\t1,5\tB\t50", twoVariables("\t"), &log);
    EXPECT_EQ(log, crlfLines({"Illegal Dom percentage in line 17",
                              "Illegal value for protection level: R1\tY\t-100\t1.5\t"}));
}

// Every run's own test gives the log a fixed time; the real clock's must have the same shape.
TEST(Log, DateAndTimeOfTheRealClock) {
    EXPECT_TRUE(std::regex_match(localDateTimeNow(),
                                 std::regex(R"(20\d\d-[01]\d-[0-3]\d [0-2]\d:[0-5]\d:[0-6]\d)")))
        << localDateTimeNow();
}

} // namespace
} // namespace vqd
