#include "../support/test_support.h"
#include "back/inspection.h"
#include "shell/inspection.h"

#include <chrono>

namespace vqd {
namespace {

// The dimension is the longest line's fields less the four cell fields; a file is taken only
// when some line has more than four, and then the names asked for (at most four) are the first
// fields of its first line. How a line splits is the field splitter's table.
TEST(Dimension, LongestLineLessFourFieldsOrNoSeparator) {
    // clang-format off
    const std::tuple<std::string, int, int, Lines> cases[]{
        {"a; b ;c;d;e;f\r\na;b\r\n", 7, 2, {"a", "b ", "c", "d"}}, {"1;2\r\na;1;2;S;0", 3, 1, {"1", "2", ""}},
        {"a;b;c;d;e", 1, 1, {"a"}}, {"a;b;c;d", 2, 0, {}}, {"", 2, 0, {}}};
    // clang-format on
    test::ScratchFolder folder;
    for (const auto& [lines, asked, dim, names] : cases) {
        test::RecordingMessages messages;
        const auto path = folder.write("cells.csv", lines);
        EXPECT_EQ(GetDim(path, ";", messages), dim) << lines;
        const auto found = inspectInput(path, ";", asked, true, messages);
        EXPECT_EQ(found.verdict, dim > 0 ? InputVerdict::Splits : InputVerdict::NoSeparator);
        EXPECT_EQ(found.names, names);
        EXPECT_EQ(messages.shown,
                  dim > 0 ? Lines{} : Lines{"critical: No separator found in file: " + path});
    }
    // A file that cannot be read offers nothing to either page, with one message each time.
    test::RecordingMessages messages;
    const auto none = folder.path("none");
    EXPECT_TRUE(!GetDim(none, ";", messages) && !ReadVarNames(none, ";", 2, messages) &&
                !templateHeader(none, messages) && !zavekVariableCount(none, messages));
    EXPECT_EQ(messages.shown.size(), 4u);
}

// Each keystroke in the dimension or separator box inspects the input again; a file that may
// still be rewritten within the same tick of the file system's clock is not remembered.
TEST(Dimension, SettledFileIsReadAgainOnlyWhenSizeOrTimeChanges) {
    test::ScratchFolder folder;
    test::RecordingMessages messages;
    const std::string five = "a;b;c;d;e\r\n", six = "a;b;c;d;e;f"; // as long as each other
    const auto path = folder.path("f");
    const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    // Bytes written, their time in seconds after an hour ago (-1: just now), separator, dimension;
    // the last row inspected before a conversion first, which stops at the first line that splits.
    // clang-format off
    const std::tuple<std::string, int, std::string, int> steps[]{
        {five, -1, ";", 1}, {six, -1, ";", 2}, {five, 0, ";", 1}, {six, 0, ";", 1} /* remembered */,
        {six, 0, "\t", 0}, {six, 1, ";", 2}, {six + ";g", 1, ";", 3}, {five + six, 2, ";", 2}};
    // clang-format on
    for (const auto& [bytes, later, separator, dim] : steps) {
        test::writeBytes(path, bytes);
        if (later >= 0)
            std::filesystem::last_write_time(path, hourAgo + std::chrono::seconds(later));
        EXPECT_TRUE(later != 2 ||
                    inspectInput(path, ";", 0, false, messages).verdict == InputVerdict::Splits);
        EXPECT_EQ(GetDim(path, separator, messages), dim) << bytes << " at " << later << separator;
    }
}

} // namespace
} // namespace vqd
