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
    EXPECT_EQ(GetDim(folder.write("c", ""), ";", messages), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(GetDim(folder.path("none"), ";", messages));
    EXPECT_EQ(messages.shown.at(0).text,
              "Cannot read file: " + folder.path("none") + "\nNo such file or directory");
}

// Each keystroke in the dimension or separator box inspects the input again.
TEST(Dimension, SettledFileIsReadAgainOnlyWhenSizeOrTimeChanges) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    const auto path = folder.write("f", "a;b;c;d;e\r\n");
    const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    const auto settle = [&](std::chrono::seconds later) {
        std::filesystem::last_write_time(path, hourAgo + later);
    };
    settle(std::chrono::seconds(0));
    EXPECT_EQ(GetDim(path, ";", messages), 1);
    test::writeBytes(path, "a;b;c;d;e;f"); // as long as before
    settle(std::chrono::seconds(0));
    EXPECT_EQ(GetDim(path, ";", messages), 1) << "remembered";
    EXPECT_EQ(GetDim(path, "\t", messages), 0) << "another separator";
    settle(std::chrono::seconds(1));
    EXPECT_EQ(GetDim(path, ";", messages), 2) << "modified later";
    test::writeBytes(path, "a;b;c;d;e;f;g");
    settle(std::chrono::seconds(1));
    EXPECT_EQ(GetDim(path, ";", messages), 3) << "longer";
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Dimension, FileJustWrittenIsNotRemembered) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    const auto path = folder.write("f", "a;b;c;d;e\r\n");
    EXPECT_EQ(GetDim(path, ";", messages), 1);
    // Rewritten within the same tick of the file system's clock, perhaps: size and time agree.
    test::writeBytes(path, "a;b;c;d;e;f");
    EXPECT_EQ(GetDim(path, ";", messages), 2);
}

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
