#include "../support/test_support.h"
#include "forward/forward_run.h"
#include "text/numbers.h"

#include <cerrno>
#include <clocale>
#include <locale>
#include <new>

namespace vqd {
namespace {

using test::crlfLines;

// Every case runs under the C locale, one of decimal commas, and a line a chunk on several threads.
class ForwardRun : public testing::TestWithParam<std::pair<const char*, std::size_t>> {
protected:
    void SetUp() override {
        const char* locale = GetParam().first;
        if (std::setlocale(LC_ALL, locale) == nullptr)
            GTEST_SKIP() << "locale " << locale << " missing: run scripts/install-deps";
        // MinGW's C++ library knows no locale but "C"; its C library does.
        try {
            std::locale::global(std::locale(locale));
        } catch (const std::runtime_error&) {
        }
#ifdef LC_MESSAGES
        std::setlocale(LC_MESSAGES, "C"); // the system's reasons in the language the rows name
#endif
        values.txtVQDFileName = input;
        values.FieldSeparator = ";";
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
    }

    ForwardRunResult run(const std::string& cells, std::function<void(std::int64_t)> report = {}) {
        folder.write("cells.csv", cells);
        ForwardRunOptions options;
        options.chunkBytes = GetParam().second;
        options.progress = std::move(report); // its counts are the chunked reader's
        // The final count is shown among the messages, where it comes.
        options.counted = [this](auto n) { messages.information("counted " + countText(n)); };
        options.leadStringFound = [this](std::size_t row, const std::string& lead) {
            messages.information("lead " + std::to_string(row) + lead);
        };
        return runForwardConversion(values, messages, options);
    }

    test::ScratchFolder folder;
    const std::string input = folder.path("cells.csv");
    ForwardPageValues values;
    test::RecordingMessages messages;
};

// A worked example: both hierarchy kinds, a missing total named as entered, suspect records (of
// both faults, of one), the reading notes after the count. History lines: see DataAndHistory.
TEST_P(ForwardRun, WritesTheFourFiles) {
    const std::string hierarchy = folder.write("h.hrc", "NL\n@GR\n");
    values.chkVarNamesInFirst = true;
    values.VarCount = 2;
    values.rows[0] = {"Region", true, hierarchy, "", false, "", "NL"};
    values.rows[1] = {std::string(70, 'n'), false, "", "", true, "1 2", "T"};
    run("\xEF\xBB\xBF" + test::cellFile({"GR;65+;-12,5;1,5;b;50", "NL;Total;1234,5;20;S;10",
                                         "GR;0-14;120,5;3;B;0"}));
    EXPECT_EQ(
        messages.shown,
        (Lines{"note: lead 0N", "note: counted 3",
               "note: No record with totalcode (T) found for variable: " + values.rows[1].VarName,
               "note: Lines of " + hierarchy +
                   " end in a line feed alone, which does not end a line: save it with CR "
                   "LF line ends",
               "note: " + input +
                   " starts with a UTF-8 byte-order mark, which becomes part of its first "
                   "field: save it without one"}));
    // clang-format off
    EXPECT_EQ(test::readBytes(input + ".rda"), crlfLines({
        " <SEPARATOR> \";\"", "  <SAFE>     \"S\"", "  <UNSAFE>   \"U\"", "  <PROTECT>  \"P\"",
        "Region 5", "  <RECODABLE>", "  <HIERARCHICAL>", "  <HIERCODELIST> \"" + hierarchy + "\"",
        "  <HIERLEADSTRING> \"N\"", "  <TOTCODE> NL",
        values.rows[1].VarName + " 5", "  <RECODABLE>", "  <HIERARCHICAL>", "    <HIERLEVELS> 1 2", "  <TOTCODE> T",
        "CellValue", "  <NUMERIC>", "CellFreq", "  <FREQUENCY>", "CostVar", "  <NUMERIC> <COSTVAR>",
        "Statusvar", " <STATUS>", "LowerProt", "  <NUMERIC> <LOWERPL>", "UpperProt", "  <NUMERIC> <UPPERPL>"}));
    // clang-format on
    EXPECT_EQ(test::readBytes(input + ".tab"),
              crlfLines({"GR;65+;-12.5;1.5;-12.5;U;-12.500;-1.250",
                         "NL;Total;1234.5;20; 1234.5;S;0.001;0.001",
                         "GR;0-14;120.5;3; 120.5;U;12.050;12.050"}));
    // The real clock's date and time, in digits whatever the locale.
    const std::regex now(R"(20\d\d-[01]\d-[0-3]\d [0-2]\d:[0-5]\d:[0-6]\d)");
    EXPECT_EQ(std::regex_replace(test::readBytes(input + ".log"), now, "NOW"),
              crlfLines({"Logfile for converting " + input + " to ZAVEK", "Date/Time: NOW", "",
                         "Illegal Dom percentage in line 1",
                         "Illegal value for protection level: GR;65+;-12.5;1.5;",
                         "Illegal Dom percentage in line 3", "", "3 records processed"}));
}

// A page refused at its first failed check (of two faults the earlier speaks), the first number out
// of range, no memory, an input changed while read: each a message, and nothing written.
TEST_P(ForwardRun, StopsWithAMessageAndWritesNothing) {
    const std::string fives = " 0," + std::string(70, '5'); // as entered, not cut
    // Each row changes what differs from a page of two complete variables.
    // clang-format off
    const std::vector<std::pair<std::function<void(ForwardPageValues&)>, std::string>> refused{
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
        {[&](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = folder.path("r.hrc"); },
         "Cannot read file: DIR/r.hrc\n" + files::systemReason(ENOENT)}, // ENOENT is ERROR_FILE_NOT_FOUND too
        {[&](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = folder.path("r\r\n.hrc"); },
         "Line break in hierarchy file name for var 1: DIR/r\\r\\n.hrc"},
        {[&](auto& p) { p.rows[0].HierCodeList = true; p.rows[0].HierFile = folder.path("empty.hrc"); },
         "No lines in hierarchy file: DIR/empty.hrc"},
    };
    // clang-format on
    folder.write("empty.hrc", "");
    const std::string cells = crlfLines({"1;1;S;0", "2;1;S;0", "1e999;1;S;0", "1e998;1;S;0"});
    EXPECT_FALSE(run(cells).completed);
    EXPECT_FALSE(run(cells, [](std::int64_t) { throw std::bad_alloc(); }).completed);
    // Far more than the chunks converted at once, so that its end is not yet read when the
    // first thread, which shows the progress, hands on its first chunk, however late that is.
    const std::string large = crlfLines(Lines(20000, "1;1;S;0;" + std::string(1000, 'x')));
    EXPECT_FALSE(run(large, [this](std::int64_t) { folder.write("cells.csv", ""); }).completed);
    Lines expected{"critical: Number out of range in line 3: 1e999",
                   "critical: Not enough memory to convert file: " + input,
                   "critical: Cannot read file: " + input + "\nthe file changed while it was read"};
    values.VarCount = 2;
    values.rows[0] = {"Region", false, "", "", false, "", "NL"};
    values.rows[1] = {"Age", false, "", "", true, "1 2", "Total"};
    const auto usual = values;
    for (const auto& [change, message] : refused) {
        values = usual;
        change(values);
        EXPECT_FALSE(run("1;1;S;0").completed) << message;
        expected.push_back("critical: " + test::expand(folder, message));
    }
    EXPECT_EQ(messages.shown, expected);
    EXPECT_EQ(folder.fileNames(), (Lines{"cells.csv", "empty.hrc"}));
    // A negative dimension is none: no row is checked, not even a nameless one. A chunk's output
    // outgrowing its first buffer keeps what it held; each suspect record is logged once.
    values.VarCount = -3;
    EXPECT_TRUE(run(crlfLines(Lines(5000, "1;1;B;0"))).completed);
    EXPECT_EQ(test::readBytes(input + ".tab"), crlfLines(Lines(5000, "1;1; 1;U;0.100;0.100")));
    EXPECT_EQ(test::readBytes(input + ".hst"), crlfLines(Lines(5000, "u\r\npl;0.100;0.100")));
    EXPECT_EQ(std::ranges::count(test::readBytes(input + ".log"), '\n'), 5005);
}

// The first character that most lines start with, the first seen on ties; a 40th distinct one is
// counted, a 41st not however often it occurs.
TEST(Request, LeadStringOfACodeList) {
    std::string forty; // 0 to W
    for (char c = '0'; c < '0' + 40; ++c)
        forty += c + std::string("\r\n");
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    // clang-format off
    for (const auto& [lines, lead] : std::initializer_list<std::pair<std::string, std::string>>{
             {"1\r\n+11\r\n+12\r\n2", "+"}, {"A\r\nB", "A"}, {"\r\n\r\nx", ""}, {forty + "W\r\n~\r\n~\r\n~", "W"}})
        EXPECT_EQ(ZoekLeadstring(folder.write("h.hrc", lines), messages), lead);
    // clang-format on
}

#ifdef _WIN32
const char* const decimalCommaLocale = "German_Germany.1252";
#else
const char* const decimalCommaLocale = "de_DE.UTF-8";
#endif
const Lines settingNames{"C", "DecimalComma", "OneLineChunks"};

INSTANTIATE_TEST_SUITE_P(Settings, ForwardRun,
                         testing::Values(std::pair{"C", defaultChunkBytes},
                                         std::pair{decimalCommaLocale, defaultChunkBytes},
                                         std::pair{"C", std::size_t{1}}),
                         [](const auto& info) { return settingNames[info.index]; });

} // namespace
} // namespace vqd
