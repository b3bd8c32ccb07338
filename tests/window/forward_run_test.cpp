#include "window_fixture.h"

#include <cstdlib>
#include <regex>

namespace vqd::test {
namespace {

class ForwardRun : public WindowTest {
protected:
    // Page 1 filled in: names from the file's first line, a code list for Region.
    void fillPage() {
        nameFile(cellFile(), "2");
        EXPECT_EQ(box("txtVarName(0)")->text(), ""); // only on request
        click(check("chkVarNamesInFirst"));
        click(check("chkHierch(0)"));
        box("txtHierFile(0)")->setText(qs(hierarchy));
        box("txtTotCode(0)")->setText("NL");
        box("txtTotCode(1)")->setText("Total");
    }
    std::string outputs() const {
        std::string bytes;
        for (const char* extension : {".rda", ".tab", ".hst", ".log"})
            bytes += readBytes(files.path("cells.csv") + extension);
        // The log's head carries the time of the run.
        return std::regex_replace(bytes, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"), "");
    }

    const std::string hierarchy = files.write("region.hrc", crlfLines({"NL", "@GR", "@BE"}));
};

TEST_F(ForwardRun, GivesTheFilesOfTheCommandLine) {
    fillPage();
    click(button("cmdGo"));
    EXPECT_EQ(label("lblVerslag")->text(), "3 records processed");
    EXPECT_EQ(box("txtleadString(0)")->text(), "@");
    EXPECT_TRUE(dialogs.shown.empty());
    const std::string fromWindow = outputs();

    const std::string command = std::string("'") + VQD_CLI_PATH + "' forward '" +
                                files.path("cells.csv") + "' --dim 2 --names-first --hier1 '" +
                                hierarchy + "' --total1 NL --total2 Total >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(outputs(), fromWindow);
}

} // namespace
} // namespace vqd::test
