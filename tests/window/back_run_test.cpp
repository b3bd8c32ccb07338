#include "window_fixture.h"

#include <cstdlib>

namespace vqd::test {
namespace {

using BackRun = WindowTest;

TEST_F(BackRun, GivesTheFileOfTheCommandLine) {
    const std::string templateFile =
        files.write("template.csv", crlfLines({"code;value;status;flag", "x;0;-;A"}));
    const std::string zavekFile =
        files.write("zavek.csv", crlfLines({"11,a,250,3,U,0", "12,b,7,1,S,0"}));
    showPage(1);
    const std::pair<const char*, std::string> chosen[] = {
        {"cmdVQDfile", templateFile},
        {"cmdZoekZavekOutput", zavekFile},
        {"cmdZoekResult", files.path("result.csv")}};
    for (const auto& [browse, path] : chosen) {
        dialogs.willChoose(qs(path));
        click(button(browse));
    }
    const std::pair<int, const char*> choices[] = {{0, "value"}, {2, "status"}, {5, "code"}};
    for (const auto& [k, column] : choices)
        cmbVars(k)->setCurrentIndex(cmbVars(k)->findText(column));
    click(button("cmdGo2"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(label("lblProgress")->text(), "ready");
    const std::string fromWindow = readBytes(files.path("result.csv"));
    EXPECT_EQ(fromWindow, crlfLines({"code;value;status;flag", "11;250;U;A", "12;7;S;A"}));

    const std::string command = std::string("'") + VQD_CLI_PATH + "' back --template '" +
                                templateFile + "' --zavek '" + zavekFile + "' --output '" +
                                files.path("cli.csv") +
                                "' --value value --status 3 --var1 code >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readBytes(files.path("cli.csv")), fromWindow);
}

} // namespace
} // namespace vqd::test
