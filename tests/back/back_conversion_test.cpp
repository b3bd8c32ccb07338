#include "../support/test_support.h"
#include "back/back_conversion.h"
#include "text/fields.h"

#include <system_error>

namespace vqd {
namespace {

using Choices = std::map<Destination, std::int32_t>;

// DIR/template.csv and DIR/zavek.csv converted into DIR/result.csv, "finished" among the messages.
BackConversionResult convert(const test::ScratchFolder& folder, const Choices& choices,
                             test::RecordingMessages& messages,
                             std::size_t chunkBytes = defaultChunkBytes,
                             std::function<void(std::int64_t)> progress = {},
                             const std::string& result = "result.csv") {
    BackConversionRequest request{folder.path("template.csv"), folder.path("zavek.csv"),
                                  folder.path(result)};
    for (const auto& [destination, column] : choices)
        request.Columns[destination] = column;
    BackConversionOptions options;
    options.chunkBytes = chunkBytes;
    options.progress = std::move(progress);
    options.finished = [&messages] { messages.information("finished"); };
    return ConvertBack(request, messages, options);
}

Lines fieldsOf(std::string_view line, std::string_view separator, std::size_t count = 0) {
    Lines fields;
    for (const auto field : LineFields(line, separator))
        fields.emplace_back(field);
    fields.resize(std::max(fields.size(), count));
    return fields;
}

// A result line is the model line with each chosen column holding its record field, a later
// destination winning; the runs copied at once must give what this plain rule gives.
TEST(ConvertBack, SameAsThePlainRuleOverGeneratedFiles) {
    std::mt19937 random(24);
    const auto pick = [&](const Lines& options) { return options[random() % options.size()]; };
    for (int n = 0; n < 120; ++n) {
        const std::string separator = n % 2 == 0 ? ";" : ",";
        const std::string header = "\"c" + separator + "\"" + separator + "d;" + separator + "e";
        std::string model;
        for (auto k = 1 + random() % 6; k > 0; --k)
            model += pick({"x", " 0 ", "", "A"}) + (k > 1 ? separator : "");
        if (model.empty()) model = "  "; // one empty column
        const auto varCount = static_cast<std::size_t>(n % 5);
        Choices choices;
        for (std::size_t d = 0; d < DestinationCount; ++d)
            choices[static_cast<Destination>(d)] = static_cast<std::int32_t>(random() % 9) - 1;
        Lines zavek;
        for (auto lines = 1 + random() % 4; lines > 0; --lines) {
            std::string line;
            for (auto f = 2 * varCount + 4 + (zavek.empty() ? 0 : random() % 3); f > 1; --f)
                line += pick({"11", " a", "250 ", "\t3", "", "U"}) + ",";
            line += "0"; // the first line's fields give the variables: its last is not empty
            zavek.push_back(zavek.empty() ? line : line.substr(0, random() % (line.size() + 1)));
        }

        std::string expected = header + "\r\n";
        for (const auto& line : zavek) {
            const auto fields = fieldsOf(line, ",", 2 * varCount + 4);
            auto columns = fieldsOf(model, separator);
            const auto put = [&](Destination destination, const std::string& field) {
                const auto column = static_cast<std::size_t>(choices[destination]);
                if (column >= 1 && column <= columns.size()) columns[column - 1] = field;
            };
            for (std::size_t k = 0; k < varCount; ++k)
                put(static_cast<Destination>(ExplVar1 + k), fields[2 * k]);
            for (const auto d : {CellValue, CellFrequency, CellStatus, CellDomPercentage})
                put(d, fields[2 * varCount + d]);
            for (std::size_t c = 0; c < columns.size(); ++c)
                expected += (c > 0 ? separator : "") + columns[c];
            expected += "\r\n";
        }
        SCOPED_TRACE(header + "\n" + model + "\n" + test::crlfLines(zavek));
        test::ScratchFolder folder;
        folder.write("template.csv", header + "\r\n" + model + "\r\nignored\r\n");
        folder.write("zavek.csv", test::crlfLines(zavek));
        test::RecordingMessages messages;
        ASSERT_EQ(convert(folder, choices, messages, n % 3 ? defaultChunkBytes : 1).recordCount,
                  static_cast<std::int64_t>(zavek.size()));
        ASSERT_EQ(test::readBytes(folder.path("result.csv")), expected);
        ASSERT_EQ(messages.shown, Lines{"note: finished"});
    }
}

// A failing system (a refused thread) and a ZAVEK file changed before its end is read stop the
// run too, as the first records are done.
TEST(ConvertBack, StopsWithOneMessageAndLeavesTheEarlierResult) {
    const std::string record = test::zavekRecord, usual = "code;value;status;flag\r\nx;0;-;A\r\n";
    const std::string beyond = "critical: Number of explanatory variables outside 0 to 4:";
    // Far more than the chunks converted at once, so that its end is not yet read when the first
    // thread, which shows the progress, hands on its first chunk, however late that is.
    const std::string large = test::crlfLines(Lines(400'000, test::zavekRecord));
    // Template, ZAVEK file ("-": none), result, start of the message, what befalls the ZAVEK file
    // once the first records are done.
    // clang-format off
    const std::tuple<std::string, std::string, std::string, std::string, std::function<void(const std::string&)>> cases[]{
        {"a,b;c\r\nx", record, "result.csv", "note: unable to decide about the separator in file DIR/template.csv\r\nBoth  \",\"  and \";\" have been found 1 times", {}},
        {"", record, "result.csv", "critical: No separator (, or ;) found in file: DIR/template.csv", {}},
        {"a\tb\r\n1,2;3", record, "result.csv", "critical: No separator (, or ;) found in file: DIR/template.csv", {}},
        {"-", record, "result.csv", "critical: Cannot read file: DIR/template.csv\n", {}},
        {"a;b\r\n\r\nx;y", record, "result.csv", "critical: No model line in template file: DIR/template.csv", {}},
        {usual, "-", "result.csv", "critical: Cannot read file: DIR/zavek.csv\n", {}},
        {usual, "", "result.csv", "critical: No records in file: DIR/zavek.csv", {}},
        {usual, "a,b\r\n" + record, "result.csv", beyond + " -1 (2 fields on the first line) in file: DIR/zavek.csv", {}},
        {usual, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15", "result.csv", beyond + " 6 (15 fields on the first line) in file: DIR/zavek.csv", {}},
        {usual, record, "no/result.csv", "critical: Cannot write file: DIR/no/result.csv\n", {}},
        {usual, record, "template.csv", "critical: The output file is the same file as the template file: DIR/template.csv", {}},
        {usual, record, "zavek.csv", "critical: The output file is the same file as the ZAVEK output file: DIR/zavek.csv", {}},
        {usual, large, "result.csv", "critical: Cannot convert file: DIR/zavek.csv\nInput/output error", [](const std::string&) { throw std::system_error(std::make_error_code(std::errc::io_error)); }},
        {usual, large, "result.csv", "critical: Cannot read file: DIR/zavek.csv\nthe file changed while it was read", [](const std::string& path) { test::writeBytes(path, ""); }},
    };
    // clang-format on
    for (const auto& [templateText, zavekText, result, message, during] : cases) {
        SCOPED_TRACE(message);
        test::ScratchFolder folder;
        if (templateText != "-") folder.write("template.csv", templateText);
        if (zavekText != "-") folder.write("zavek.csv", zavekText);
        folder.write("result.csv", "earlier\r\n");
        const auto before = folder.fileNames();
        test::RecordingMessages messages;
        const auto progress = [&, &during = during](std::int64_t) {
            if (during) during(folder.path("zavek.csv"));
        };
        EXPECT_FALSE(convert(folder, {{CellValue, 2}}, messages, 1000, progress, result).completed);
        const auto expected = test::expand(folder, message);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].substr(0, expected.size()), expected);
        EXPECT_EQ(test::readBytes(folder.path("result.csv")), "earlier\r\n");
        EXPECT_EQ(folder.fileNames(), before);
    }
}

// With a model line longer than a chunk each record is a chunk, so few results are held at once.
TEST(ConvertBack, LongModelLineOneRecordAtATime) {
    test::ScratchFolder folder;
    folder.write("template.csv", "code;note\r\nx;" + std::string(1100, 'n') + "\r\n");
    folder.write("zavek.csv", test::crlfLines(Lines(1700, test::zavekRecord))); // 62 to a chunk
    test::RecordingMessages messages;
    std::vector<std::int64_t> counts;
    const auto count = [&](std::int64_t recordCount) { counts.push_back(recordCount); };
    EXPECT_TRUE(convert(folder, {{ExplVar1, 1}}, messages, 1000, count).completed);
    EXPECT_LE(counts.at(0), static_cast<std::int64_t>(threadCount() * convertersPerThread));
}

} // namespace
} // namespace vqd
