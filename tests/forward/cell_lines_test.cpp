#include "../support/test_support.h"
#include "forward/cell_record.h"
#include "forward/writers.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <tuple>

namespace vqd {
namespace {

// A request without variables: the cell fields alone, with the rules' percentages.
ConversionRequest rules(double freq, double dom1, double dom2) {
    ConversionRequest request;
    request.Separator = ";";
    std::tie(request.FreqFraction, request.Dom1Perc, request.Dom2Perc) = std::tie(freq, dom1, dom2);
    return request;
}

// What `line` reads as: its levels, status and suspect marks, or the text beyond the range.
std::string readAs(const std::string& line, const ConversionRequest& request) {
    TotalsFound found{};
    CellRecord record;
    if (!ReadCellRecord(line, request, found, record)) return std::string(record.OutOfRangeText);
    return renderLevelText(record.LowerPL) + " " + renderLevelText(record.UpperPL) + " " +
           record.Status + (record.IllegalDomPercentage ? " dom" : "") +
           (record.IllegalProtectionLevel ? " level" : "");
}

// Flags compare in upper case; a rule applies to its letter alone; the lower level is held at the
// cell value. Each row: value;freq;flag;dom, then the levels, the status and the suspect marks.
TEST(CellRecord, FlagsGiveStatusAndLevels) {
    // clang-format off
    for (const auto& [line, expected] : std::initializer_list<std::pair<std::string, std::string>>{
        {"1000;5;B;85", "100.000 100.000 U dom"}, {"1000;5;B;90", "0.001 0.001 U"},
        {"1000;5;C;80", "0.001 0.001 U"}, {"1000;5;C;79,9", "100.000 100.000 U dom"},
        {"1000;5;S;99", "0.001 0.001 S"}, {"1000;5;b;95", "55.556 55.556 U"},
        {"1;5;a;95", "0.100 0.100 U"}, {"1000;5;AB;95", "0.001 0.001 U"},
        {"1000;5;B1;95", "0.001 0.001 U"}, {"1000;5;C1;95", "0.001 0.001 S"},
        {"0;0;S;0", "0.000 0.001 S"}, {"-100;1;A;0", "-100.000 -10.000 U level"},
        {"", "0.000 0.001 S"}, {"0,5;1;B;180", "0.500 0.500 U"}})
        EXPECT_EQ(readAs(line, rules(0.1, 90, 80)), expected) << line;
    // clang-format on
}

// A number beyond the float range stops the record, and so does a level beyond it from numbers
// within it: then the message names the text that made it overflow.
TEST(CellRecord, NumbersBeyondTheFloatRangeNameTheirText) {
    auto request = rules(10, 0.5, 0.001);
    request.PercentageTexts = {"1000", "0,5", "1e-3"};
    const std::string nines(309, '9'); // the shortest digits beyond the range
    // clang-format off
    for (const auto& [line, text] : std::initializer_list<std::pair<std::string, std::string>>{
             {"1e400;1;S;0", "1e400"}, {"1;1;S;-1e999", "-1e999"}, {"1;1;S;" + nines, nines},
             {"1e308;1;B;1e10", "1e308"}, {"2e10;1;b;1e308", "1e308"}, {"1e308;1;A;0", "1000"},
             {"1e308;1;B;0", "1000"}, {"1e308;1;B;1", "0,5"}, {"1e306;1;C;100", "1e-3"}})
        EXPECT_EQ(readAs(line, request), text) << line;
    // clang-format on
}

// The data and history lines, built from pieces and the value's digits, are those of the plain rule
// (fields by the field rule, commas made points, numbers rendered), and fit in the room reserved.
TEST(DataAndHistory, SameAsThePlainRuleOverGeneratedLines) {
    std::mt19937 random(24);
    const auto pick = [&](const std::vector<std::string>& options) {
        return options[random() % options.size()];
    };
    for (int n = 0; n < 4000; ++n) {
        auto request = rules(0.1, 90, 80);
        request.VarCount = n % 5;
        request.Separator = pick({";", "\t", " ", ";;"});
        request.Variables.assign(4, {"V", false, "", "", false, "", "T"});
        const std::string& sep = request.Separator;
        std::string digits = pick({"", "-"});
        for (auto k = random() % 18; k > 0; --k)
            digits += pick({"0", "0", "9", "9", "1", "5"});
        digits += pick({"", ",", "."});
        for (auto k = random() % 8; k > 0; --k)
            digits += pick({"0", "9", "1"});
        std::string line;
        for (int i = 0; i < request.VarCount; ++i)
            line += pick({"A", " B", "T", "T ", "t", "", std::string(700, 'L')}) + sep;
        line += pick({digits, digits, digits, "1,5e3", "x", "-0,0", "0,000001", "-1e305"}) + sep +
                pick({"7", " 7,0 ", ""}) + sep + pick({"A", "b", "C", "S"}) + sep +
                pick({"95", "50", "1e400", ""});
        if (random() % 4 == 0) line.resize(random() % (line.size() + 1));
        SCOPED_TRACE(line);
        TotalsFound found{};
        CellRecord record;
        if (!ReadCellRecord(line, request, found, record)) continue;
        std::string_view rest = line;
        std::string codes;
        for (int i = 0; i < request.VarCount; ++i) {
            const auto code = NextField(rest, sep);
            EXPECT_EQ(found[static_cast<std::size_t>(i)], code == "T");
            codes += std::string(code) + sep;
        }
        const std::string value = ReplaceCommaPoint(NextField(rest, sep));
        const std::string freq = ReplaceCommaPoint(NextField(rest, sep));
        ASSERT_EQ(record.CellValue, numericValue(value));
        const std::string levels =
            renderLevelText(record.LowerPL) + sep + renderLevelText(record.UpperPL) + "\r\n";
        std::string expected = codes + value + sep + freq + sep + renderCostText(record.CellValue) +
                               sep + record.Status + sep + levels;
        if (record.Status == 'U') expected += codes + "u\r\n" + codes + "pl" + sep + levels;

        const auto bound = recordLinesBound(line, request);
        std::string data(2 * bound, '\0'), history = data; // room for a writer that overruns
        const auto end = writeRecordLines(data.data(), history.data(), record, request);
        data.resize(static_cast<std::size_t>(end.data - data.data()));
        history.resize(static_cast<std::size_t>(end.history - history.data()));
        ASSERT_EQ(data + history, expected);
        ASSERT_LE(std::max(data.size(), history.size()), bound);
    }
}

} // namespace
} // namespace vqd
