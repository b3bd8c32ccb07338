#include "../support/test_support.h"
#include "shell/inspection.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace vqd {
namespace {

// How a line splits into fields is the field splitter's (its table and the fuzz target).
TEST(Dimension, LongestLineLessFourFieldsOrUnreadable) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    EXPECT_EQ(GetDim(folder.write("a", "a;b;c;d;e;f\r\na;b\r\n"), ";", messages), 2);
    EXPECT_EQ(GetDim(folder.write("b", "a;b;c;d\r\n"), ";", messages), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(GetDim(folder.path("none"), ";", messages));
    EXPECT_EQ(messages.shown.at(0).text,
              "Cannot read file: " + folder.path("none") + "\n" + test::missingFileReason);
}

// Each keystroke in the dimension or separator box inspects the input again; a file that may
// still be rewritten within the same tick of the file system's clock is not remembered.
TEST(Dimension, SettledFileIsReadAgainOnlyWhenSizeOrTimeChanges) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    const std::string five = "a;b;c;d;e\r\n", six = "a;b;c;d;e;f"; // as long as each other
    const auto path = folder.write("f", five);
    EXPECT_EQ(GetDim(path, ";", messages), 1);
    test::writeBytes(path, six);
    EXPECT_EQ(GetDim(path, ";", messages), 2) << "just written";
    const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    const auto rewrite = [&](const std::string& bytes, std::chrono::seconds later) {
        test::writeBytes(path, bytes);
        std::filesystem::last_write_time(path, hourAgo + later);
    };
    rewrite(five, std::chrono::seconds(0));
    EXPECT_EQ(GetDim(path, ";", messages), 1);
    rewrite(six, std::chrono::seconds(0));
    EXPECT_EQ(GetDim(path, ";", messages), 1) << "remembered";
    EXPECT_EQ(GetDim(path, "\t", messages), 0) << "another separator";
    rewrite(six, std::chrono::seconds(1));
    EXPECT_EQ(GetDim(path, ";", messages), 2) << "modified later";
    rewrite(six + ";g", std::chrono::seconds(1));
    EXPECT_EQ(GetDim(path, ";", messages), 3) << "longer";
    // The inspection before a conversion stops at the first line that splits.
    rewrite(five + six, std::chrono::seconds(2));
    EXPECT_EQ(inspectInput(path, ";", 0, false, messages).verdict, InputVerdict::Splits);
    EXPECT_EQ(GetDim(path, ";", messages), 2) << "a later line longer than the first that splits";
    EXPECT_TRUE(messages.shown.empty());
}

struct VerdictCase {
    const char* name;
    const char* lines;
    InputVerdict verdict;
};

class Verdicts : public testing::TestWithParam<VerdictCase> {};

// A cell line holds the codes and four cell fields: a file must have a line of more than four.
TEST_P(Verdicts, MoreThanFourFieldsOnSomeLine) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    const auto path = folder.write("cells.csv", GetParam().lines);
    EXPECT_EQ(inspectInput(path, ";", 1, false, messages).verdict, GetParam().verdict);
    const std::vector<test::RecordedMessage> refusal{{true, "No separator found in file: " + path}};
    EXPECT_EQ(messages.shown, GetParam().verdict == InputVerdict::Splits
                                  ? std::vector<test::RecordedMessage>{}
                                  : refusal);
}

INSTANTIATE_TEST_SUITE_P(Files, Verdicts,
                         testing::Values(VerdictCase{"FourFields", "1;2;S;0\r\na;b;c;d",
                                                     InputVerdict::NoSeparator},
                                         VerdictCase{"FiveFieldsOnALaterLine",
                                                     "1;2;S;0\r\na;1;2;S;0", InputVerdict::Splits},
                                         VerdictCase{"Empty", "", InputVerdict::NoSeparator}),
                         [](const auto& info) { return info.param.name; });

TEST(VarNames, FirstFieldsOfFirstLineAtMostFour) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    const auto path = folder.write("f", "Region; Age ;Value;Freq;Flag;Dom\r\nx;y;1;1;S;0\r\n");
    using Names = std::vector<std::string>;
    EXPECT_EQ(ReadVarNames(path, ";", 2, messages), (Names{"Region", "Age "}));
    EXPECT_EQ(ReadVarNames(path, ";", 7, messages), (Names{"Region", "Age ", "Value", "Freq"}));
    const auto shortLine = folder.write("g", "Region;Age\r\n");
    EXPECT_EQ(ReadVarNames(shortLine, ";", 3, messages), (Names{"Region", "Age", ""}));
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
} // namespace vqd
