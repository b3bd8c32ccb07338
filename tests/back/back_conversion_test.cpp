#include "../support/test_support.h"
#include "back/back_conversion.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <system_error>

namespace vqd {
namespace {

using Choices = std::map<Destination, std::int32_t>;

const std::string specimen = "code;value;status;flag\r\nx;0;-;A\r\n";
const std::string header = "code;value;status;flag\r\n";
const Choices specimenChoices{{ExplVar1, 1}, {CellValue, 2}, {CellStatus, 3}};
const Choices valueFrequencyStatus{{CellValue, 2}, {CellFrequency, 3}, {CellStatus, 4}};

BackConversionResult convert(const test::ScratchFolder& folder, const Choices& choices,
                             test::RecordingMessages& messages,
                             const std::string& result = "result.csv",
                             std::size_t chunkBytes = defaultChunkBytes,
                             std::function<void(std::int64_t)> progress = {}) {
    BackConversionRequest request{folder.path("template.csv"), folder.path("zavek.csv"),
                                  folder.path(result)};
    for (const auto& [destination, column] : choices)
        request.Columns[destination] = column;
    BackConversionOptions options;
    options.chunkBytes = chunkBytes;
    options.progress = std::move(progress);
    return ConvertBack(request, messages, options);
}

TEST(ConvertBack, FillsTheChosenColumnsOfTheModelLine) {
    // clang-format off
    // template, ZAVEK file, columns chosen, result
    const std::tuple<std::string, std::string, Choices, std::string> cases[]{
        {specimen, "11,a,250,3,U,0\r\n", specimenChoices, header + "11;250;U;A\r\n"},
        {specimen, "\"11\", a,  2.5e3 ,3,U,0", specimenChoices, header + "\"11\";2.5e3 ;U;A\r\n"},
        // Fields beyond 2v + 4 are ignored, missing ones are empty.
        {specimen, "1,a,2,3,U,0\r\n11,a,250,3,U,0,x,y,z\r\n\r\n12,b,7", specimenChoices,
         header + "1;2;U;A\r\n11;250;U;A\r\n;;;A\r\n12;7;;A\r\n"},
        {"h1; h2 ;h3\r\n  a ; b;c;  \r\nignored\r\n", "11,a,250,3,U,0\r\n12,b,7,1,S,0", {},
         "h1; h2 ;h3\r\na ;b;c\r\na ;b;c\r\n"},
        // Later destinations win: variable, value, frequency, status, fourth field.
        {specimen, "11,a,250,3,U,0", {{ExplVar1, 2}, {CellValue, 2}, {CellStatus, 2}, {CellFrequency, 1}},
         header + "3;U;-;A\r\n"},
        // Top2 has no ZAVEK field, a second variable no record field, column 9 no model field.
        {specimen, "11,a,250,3,U,0", {{CellTop2Percentage, 4}, {ExplVar2, 1}, {CellDomPercentage, 9}},
         header + "x;0;-;A\r\n"},
        // A model line of blanks is one empty column.
        {"a;b\r\n   \r\n", "1,x,250,3,U,0\r\n2,y,300,3,U,0", {{CellValue, 1}}, "a;b\r\n250\r\n300\r\n"},
        {"code,value\r\nx,0\r\n", "11,a,250,3,U,0", {{ExplVar1, 1}, {CellValue, 2}}, "code,value\r\n11,250\r\n"},
        // Consecutive fields in consecutive columns: joined, with blanks or a tab between, cut short.
        {specimen, "11,a,250,3,U,0\r\n11,a,250 , 3,U,0\r\n11,a,250,\t3,U,\r\n11,a,250", valueFrequencyStatus,
         header + "x;250;3;U\r\nx;250 ;3;U\r\nx;250;\t3;U\r\nx;250;;\r\n"},
        // 3 fields: no variable; 9: two (2.5 halves to even); 10: three; 11: four (3.5).
        {"v;\r\n0", "f1,f2,f3", {{CellValue, 1}}, "v;\r\nf1\r\n"},
        {"v;\r\n0", "f1,f2,f3,f4,f5,f6,f7,f8,f9", {{CellValue, 1}}, "v;\r\nf5\r\n"},
        {"v;\r\n0", "f1,f2,f3,f4,f5,f6,f7,f8,f9,f10", {{CellValue, 1}}, "v;\r\nf7\r\n"},
        {"v4;v\r\n0;0", "f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11", {{ExplVar4, 1}, {CellValue, 2}}, "v4;v\r\nf7;f9\r\n"},
    };
    // clang-format on
    for (const auto& [templateText, zavekText, choices, result] : cases) {
        SCOPED_TRACE(zavekText);
        test::ScratchFolder folder;
        folder.write("template.csv", templateText);
        folder.write("zavek.csv", zavekText);
        // A line at a time on several threads, the same bytes replace the first run's.
        for (const std::size_t chunkBytes : {defaultChunkBytes, std::size_t{1}}) {
            test::RecordingMessages messages;
            EXPECT_TRUE(convert(folder, choices, messages, "result.csv", chunkBytes).completed);
            EXPECT_EQ(test::readBytes(folder.path("result.csv")), result);
            EXPECT_TRUE(messages.shown.empty());
        }
        EXPECT_EQ(folder.fileNames().size(), 3u);
    }
}

TEST(ConvertBack, StopsWithOneMessageAndLeavesTheEarlierResult) {
    const std::string record = "11,a,250,3,U,0";
    const std::string beyond = "critical: Number of explanatory variables outside 0 to 4:";
    // template ("-": none), ZAVEK file ("-": none), result name, start of the message (and of a
    // note after it, behind "|")
    // clang-format off
    const std::tuple<std::string, std::string, std::string, std::string> cases[]{
        {"a,b;c\r\nx", record, "result.csv", "note: unable to decide about the separator in file DIR/template.csv\r\n"},
        {"", record, "result.csv", "critical: No separator (, or ;) found in file: DIR/template.csv"},
        {"-", record, "result.csv", "critical: Cannot read file: DIR/template.csv\n"},
        {"a;b\r\n", record, "result.csv", "critical: No model line in template file: DIR/template.csv"},
        {"a;b\r\n\r\nx;y", record, "result.csv", "critical: No model line in template file: DIR/template.csv"},
        {"a;b\nx;y\n", record, "result.csv", "critical: No model line in template file: DIR/template.csv|"
                                             "note: Lines of DIR/template.csv end in a line feed alone"},
        {specimen, "-", "result.csv", "critical: Cannot read file: DIR/zavek.csv\n"},
        {specimen, "", "result.csv", "critical: No records in file: DIR/zavek.csv"},
        {specimen, "a,b\r\n" + record, "result.csv", beyond + " -1 (2 fields on the first line) in file: DIR/zavek.csv"},
        {specimen, "1,2,3,4,5,6,7,8,9,10,11,12,13,14", "result.csv", beyond + " 5 (14 fields on the first line) in file: DIR/zavek.csv"},
        {specimen, record, "no/result.csv", "critical: Cannot write file: DIR/no/result.csv\n"},
    };
    // clang-format on
    for (const auto& [templateText, zavekText, result, message] : cases) {
        SCOPED_TRACE(message);
        test::ScratchFolder folder;
        if (templateText != "-") folder.write("template.csv", templateText);
        if (zavekText != "-") folder.write("zavek.csv", zavekText);
        folder.write("result.csv", "earlier\r\n");
        const auto before = folder.fileNames();
        test::RecordingMessages messages;
        EXPECT_FALSE(convert(folder, specimenChoices, messages, result).completed);
        std::string shown;
        for (const auto& text : test::shownTexts(messages))
            shown += (shown.empty() ? "" : "|") + text;
        const auto expected = test::expand(folder, message);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), '|'),
                  std::count(expected.begin(), expected.end(), '|'));
        EXPECT_EQ(shown.substr(0, expected.size()), expected);
        EXPECT_EQ(test::readBytes(folder.path("result.csv")), "earlier\r\n");
        EXPECT_EQ(folder.fileNames(), before);
    }
}

// With a model line longer than a chunk every record is a chunk of its own, so the results held
// at once stay few; the first progress comes after at most one chunk of each converter.
TEST(ConvertBack, RecordsOfALongModelLineAreConvertedOneByOne) {
    test::ScratchFolder folder;
    folder.write("template.csv", "code;note\r\nx;" + std::string(2000, 'n') + "\r\n");
    folder.write("zavek.csv", test::crlfLines(std::vector<std::string>(40, "11,a,250,3,U,0")));
    test::RecordingMessages messages;
    std::vector<std::int64_t> counts;
    EXPECT_TRUE(
        convert(folder, {{ExplVar1, 1}}, messages, "result.csv", 1000, [&](std::int64_t count) {
            counts.push_back(count);
        }).completed);
    ASSERT_FALSE(counts.empty());
    EXPECT_LE(counts.front(), static_cast<std::int64_t>(threadCount() * convertersPerThread));
    EXPECT_EQ(counts.back(), 40);
}

// A failure of the system inside the run (here thrown by the progress report, as a refused
// thread would be) is a message, and the earlier result stays.
TEST(ConvertBack, StopsWithAMessageWhenTheSystemFails) {
    test::ScratchFolder folder;
    folder.write("template.csv", specimen);
    folder.write("zavek.csv", "11,a,250,3,U,0");
    folder.write("result.csv", "earlier\r\n");
    test::RecordingMessages messages;
    const auto fail = [](std::int64_t) {
        throw std::system_error(std::make_error_code(std::errc::io_error));
    };
    EXPECT_FALSE(convert(folder, specimenChoices, messages, "result.csv", defaultChunkBytes, fail)
                     .completed);
    EXPECT_EQ(test::shownTexts(messages),
              std::vector<std::string>{"critical: Cannot convert file: " +
                                       folder.path("zavek.csv") + "\nInput/output error"});
    EXPECT_EQ(test::readBytes(folder.path("result.csv")), "earlier\r\n");
    EXPECT_EQ(folder.fileNames().size(), 3u);
}

} // namespace
} // namespace vqd
