#include "../support/test_support.h"
#include "forward/forward_run.h"

#include <algorithm>
#include <clocale>
#include <functional>
#include <gtest/gtest.h>
#include <locale>
#include <new>

namespace vqd {
namespace {

using test::crlfLines;
using test::RecordedMessage;
using Lines = std::vector<std::string>;

const char* const dateTime = "2026-12-06 10:00:00";

#ifdef _WIN32
const char* const decimalCommaLocale = "German_Germany.1252";
#else
const char* const decimalCommaLocale = "de_DE.UTF-8";
#endif

struct RunSetting {
    const char* locale;
    std::size_t chunkBytes;
    const char* name;
};

// Every end-to-end case runs under the C locale and under one that writes decimal commas, and
// converting one line at a time on several threads: the files must be the same.
class ForwardRun : public testing::TestWithParam<RunSetting> {
protected:
    void SetUp() override {
        const char* locale = GetParam().locale;
        previous_ = std::setlocale(LC_ALL, nullptr);
        if (std::setlocale(LC_ALL, locale) == nullptr)
            GTEST_SKIP() << "locale " << locale << " missing: run scripts/install-deps";
        // MinGW's C++ library knows no locale but "C"; its C library does.
        try {
            std::locale::global(std::locale(locale));
        } catch (const std::runtime_error&) {
        }
        values.txtVQDFileName = input;
        values.chkVarNamesInFirst = true;
        values.FieldSeparator = ";";
        values.VarCount = 2;
        values.rows[0] = {"Region", false, "", "", false, "", "NL"};
        values.rows[1] = {"Age", false, "", "", false, "", "Total"};
    }
    void TearDown() override {
        std::setlocale(LC_ALL, previous_.c_str());
        std::locale::global(std::locale::classic());
    }

    ForwardRunResult run(const std::string& cells, std::function<void(std::int64_t)> report = {}) {
        folder.write("cells.csv", cells);
        ForwardRunOptions options;
        options.dateTime = dateTime;
        options.progress = report ? report : [this](std::int64_t n) { progress.push_back(n); };
        options.chunkBytes = GetParam().chunkBytes;
        return runForwardConversion(values, messages, options);
    }
    std::string log() const { return test::readBytes(input + ".log"); }

    test::ScratchFolder folder;
    const std::string input = folder.path("cells.csv");
    ForwardPageValues values;
    test::RecordingMessages messages;
    std::vector<std::int64_t> progress;

private:
    std::string previous_;
};

const std::string cells = crlfLines({"Region;Age;Value;Freq;Flag;Dom", "NL;Total;1234,5;20;S;10",
                                     "GR;0-14;120,5;3;A;0", "GR;65+;-12,5;1;b;50"});

TEST_P(ForwardRun, WritesTheFourFiles) {
    const auto result = run(cells);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.recordCount, 3);
    // Counts as they come, never falling, the final one last.
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 3);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(folder.fileNames(), (Lines{"cells.csv", "cells.csv.hst", "cells.csv.log",
                                         "cells.csv.rda", "cells.csv.tab"}));
    // The metadata's bytes are the writer's own tests; here the page's variables reach it.
    EXPECT_NE(test::readBytes(input + ".rda")
                  .find("\r\nRegion 5\r\n  <RECODABLE>\r\n  <TOTCODE> NL\r\nAge 5\r\n"),
              std::string::npos);
    EXPECT_EQ(test::readBytes(input + ".tab"),
              crlfLines({"NL;Total;1234.5;20; 1234.5;S;0.001;0.001",
                         "GR;0-14;120.5;3; 120.5;U;12.050;12.050",
                         "GR;65+;-12.5;1;-12.5;U;-12.500;-1.250"}));
    EXPECT_EQ(test::readBytes(input + ".hst"), crlfLines({"GR;0-14;u", "GR;0-14;pl;12.050;12.050",
                                                          "GR;65+;u", "GR;65+;pl;-12.500;-1.250"}));
    EXPECT_EQ(log(), crlfLines({"Logfile for converting " + input + " to ZAVEK",
                                "Date/Time: " + std::string(dateTime), "",
                                "Illegal Dom percentage in line 3",
                                "Illegal value for protection level: GR;65+;-12.5;1;", "",
                                "3 records processed"}));
}

// Each as entered, however long.
TEST_P(ForwardRun, MissingTotalsAreNotedInVariableOrder) {
    values.rows[1].VarName = std::string(70, 'n');
    EXPECT_TRUE(run(crlfLines({"names", "GR;0-14;1;1;S;0"})).completed);
    EXPECT_EQ(messages.shown,
              (std::vector<RecordedMessage>{
                  {false, "No record with totalcode (NL) found for variable: Region"},
                  {false, "No record with totalcode (Total) found for variable: " +
                              values.rows[1].VarName}}));
}

// A converter takes chunk after chunk: what it logged for an early one is not logged again.
TEST_P(ForwardRun, SuspectRecordIsLoggedOnceWithItsLine) {
    Lines lines{"names", "GR;0-14;100;1;B;50"};
    for (int i = 0; i < 40; ++i)
        lines.push_back("NL;Total;" + std::to_string(i) + ";1;S;0");
    ASSERT_TRUE(run(crlfLines(lines)).completed);
    EXPECT_EQ(log().substr(log().find("\r\n\r\n") + 4),
              crlfLines({"Illegal Dom percentage in line 1", "", "41 records processed"}));
}

// Running out of memory inside the run (here in the progress report) is a message, not a crash;
// neither it nor a number out of range writes anything.
TEST_P(ForwardRun, StopsWithAMessageAndWritesNothing) {
    EXPECT_FALSE(run(crlfLines({"names", "NL;Total;1;1;S;0", "GR;0-14;2;1;S;0",
                                "GR;65+;1e999;1;S;0", "GR;Total;3;1;S;0"}))
                     .completed);
    EXPECT_FALSE(run(cells, [](std::int64_t) { throw std::bad_alloc(); }).completed);
    EXPECT_EQ(messages.shown, (std::vector<RecordedMessage>{
                                  {true, "Number out of range in line 3: 1e999"},
                                  {true, "Not enough memory to convert file: " + input}}));
    EXPECT_EQ(folder.fileNames(), Lines{"cells.csv"});
}

TEST_P(ForwardRun, NamesLineOnlyGivesNoRecords) {
    values.VarCount = 0;
    const auto result = run("Region;Age;Value;Freq;Flag;Dom");
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.recordCount, 0);
    EXPECT_EQ(test::readBytes(input + ".tab") + test::readBytes(input + ".hst"), "");
    EXPECT_EQ(log(),
              crlfLines({"Logfile for converting " + input + " to ZAVEK",
                         "Date/Time: " + std::string(dateTime), "", "", "0 records processed"}));
}

INSTANTIATE_TEST_SUITE_P(Settings, ForwardRun,
                         testing::Values(RunSetting{"C", defaultChunkBytes, "C"},
                                         RunSetting{decimalCommaLocale, defaultChunkBytes,
                                                    "DecimalComma"},
                                         RunSetting{"C", 1, "OneLineChunks"}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vqd
