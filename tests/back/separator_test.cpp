#include "../support/test_support.h"
#include "back/separator.h"

#include <gtest/gtest.h>

namespace vqd {
namespace {

TEST(GetSeparator, DecidesFromTheFirstLineAndShowsThePathAsPassed) {
    const std::string none = "critical: No separator (, or ;) found in file: DIR/ my template.csv ";
    const std::string tie =
        "note: unable to decide about the separator in file DIR/ my template.csv "
        "\r\nBoth  \",\"  and \";\" have been found ";
    // first line(s), separator, message; quoted separators count too
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"a,b,c;d\r\nx;y;z;w", ",", ""},
        {"a;b;c,d", ";", ""},
        {"\"a;b\",c;d,e", "", tie + "2 times"},
        {"a\tb\tc\r\n1\t2\t3", "", none},
        {"a b\r\n1,2,3", "", none}};
    for (const auto& [content, separator, message] : cases) {
        SCOPED_TRACE(content);
        test::ScratchFolder folder;
        test::RecordingMessages messages;
        // Blanks around the name: the messages must not trim the path.
        EXPECT_EQ(GetSeparator(folder.write(" my template.csv ", content), messages), separator);
        EXPECT_EQ(test::shownTexts(messages), message.empty()
                                                  ? std::vector<std::string>{}
                                                  : std::vector{test::expand(folder, message)});
    }
}

} // namespace
} // namespace vqd
