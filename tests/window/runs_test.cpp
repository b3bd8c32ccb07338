#include "window_fixture.h"

#include <cstdlib>
#include <regex>

namespace vqd::test {
namespace {

// Each page's conversion through the window gives the bytes the command line gives, whose own
// tables pin them.
class Runs : public WindowTest {
protected:
    static void runCli(const std::string& arguments) {
        const std::string command =
            "'" + std::string(VQD_CLI_PATH) + "' " + arguments + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
};

TEST_F(Runs, ForwardGivesTheFilesOfTheCommandLine) {
    const std::string hierarchy = files.write("region.hrc", crlfLines({"NL", "@GR", "@BE"}));
    // Names from the file's first line, written on Windows, a code list for Région.
    nameFile(files.write("cells.csv",
                         crlfLines({"R\xE9gion;Age;Value;Freq;Flag;Dom", "NL;Total;1234,5;20;S;10",
                                    "GR;0-14;120,5;3;A;0", "GR;65+;-12,5;1;b;50"})),
             "2");
    EXPECT_EQ(box("txtVarName(0)")->text(), ""); // only on request
    click(check("chkVarNamesInFirst"));
    click(check("chkHierch(0)"));
    box("txtHierFile(0)")->setText(qs(hierarchy));
    box("txtTotCode(0)")->setText("NL");
    box("txtTotCode(1)")->setText("Total");
    click(button("cmdGo"));
    EXPECT_EQ(label("lblVerslag")->text(), "3 records processed");
    EXPECT_EQ(box("txtleadString(0)")->text(), "@");
    EXPECT_TRUE(dialogs.shown.empty());
    const auto outputs = [this] {
        std::string bytes;
        for (const char* extension : {".rda", ".tab", ".hst", ".log"})
            bytes += readBytes(files.path("cells.csv") + extension);
        // The log's head carries the time of the run.
        return std::regex_replace(bytes, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"), "");
    };
    const std::string fromWindow = outputs();
    EXPECT_NE(fromWindow.find("\r\nR\xE9gion 5\r\n"), std::string::npos);
    runCli("forward '" + files.path("cells.csv") + "' --dim 2 --names-first --hier1 '" + hierarchy +
           "' --total1 NL --total2 Total");
    EXPECT_EQ(outputs(), fromWindow);
}

TEST_F(Runs, BackGivesTheFileOfTheCommandLine) {
    const std::string templateFile =
        files.write("template.csv", crlfLines({"code;value;status;flag", "x;0;-;A"}));
    const std::string zavekFile =
        files.write("zavek.csv", crlfLines({"11,a,250,3,U,0", "12,b,7,1,S,0"}));
    showPage(1);
    box("txtVQDTemplateFile")->setText(qs(templateFile));
    box("txtZavekOutputFile")->setText(qs(zavekFile));
    box("txtResultFile")->setText(qs(files.path("result.csv")));
    const std::pair<int, const char*> choices[] = {{0, "value"}, {1, "flag"}, {5, "code"}};
    for (const auto& [k, column] : choices)
        cmbVars(k)->setCurrentIndex(cmbVars(k)->findText(column));
    // Typing never adds an entry: a column's name chooses it, other text no column at all.
    const std::pair<int, const char*> typed[] = {{1, "bogus"}, {2, "status"}};
    for (const auto& [k, text] : typed) {
        cmbVars(k)->lineEdit()->selectAll();
        QTest::keyClicks(cmbVars(k)->lineEdit(), text);
        QTest::keyClick(cmbVars(k)->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(cmbVars(k)->count(), 5) << text;
    }
    click(button("cmdGo2"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(label("lblProgress")->text(), "ready");
    const std::string fromWindow = readBytes(files.path("result.csv"));
    EXPECT_EQ(fromWindow, crlfLines({"code;value;status;flag", "11;250;U;A", "12;7;S;A"}));
    runCli("back --template '" + templateFile + "' --zavek '" + zavekFile + "' --output '" +
           files.path("cli.csv") + "' --value value --status 3 --var1 code");
    EXPECT_EQ(readBytes(files.path("cli.csv")), fromWindow);
}

// What the run has found stands in the window before any box about the run is read: the lead
// string of a code list, the count when totals were missing, "ready" after a back conversion.
TEST_F(Runs, BoxesComeAfterWhatTheRunHasShown) {
    std::vector<QString> behindBoxes;
    const std::string hierarchy = files.write("region.hrc", crlfLines({"NL", "@GR", "@BE"}));
    // Lines ended by a line feed alone are one line: one record, and a note.
    nameFile(files.write("cells.csv", "NL;Total;250;3;S;0\n"), "2");
    click(check("chkHierch(0)"));
    box("txtHierFile(0)")->setText(qs(hierarchy));
    box("txtVarName(0)")->setText("Region");
    box("txtTotCode(0)")->setText("XX");
    box("txtTotCode(1)")->setText("Total");
    dialogs.whenShown = [&] {
        behindBoxes.push_back(box("txtleadString(0)")->text() + "|" + label("lblVerslag")->text());
    };
    click(button("cmdGo")); // refused: var 2 has no name
    box("txtVarName(1)")->setText("Age");
    box("txtleadString(0)")->setText("");
    click(button("cmdGo"));
    EXPECT_EQ(behindBoxes,
              (std::vector<QString>{"@|", "@|1 records processed", "@|1 records processed"}));
    EXPECT_EQ(dialogs.shown.size(), 3U);

    const std::string templateFile =
        files.write("template.csv", "\xEF\xBB\xBF" + crlfLines({"code;value", "x;0"}));
    const std::string zavekFile = files.write("zavek.csv", crlfLines({"11,a,250,3,U,0"}));
    showPage(1);
    box("txtVQDTemplateFile")->setText(qs(templateFile));
    box("txtZavekOutputFile")->setText(qs(zavekFile));
    box("txtResultFile")->setText(qs(files.path("result.csv")));
    behindBoxes.clear();
    dialogs.whenShown = [&] { behindBoxes.push_back(label("lblProgress")->text()); };
    click(button("cmdGo2")); // a note on the byte-order mark
    EXPECT_EQ(behindBoxes, (std::vector<QString>{"ready"}));
}

// The same file chosen as ZAVEK's output and as the result would be lost to the run.
TEST_F(Runs, ResultThatIsAnInputIsRefused) {
    const std::string templateFile =
        files.write("template.csv", crlfLines({"code;value;status;flag", "x;0;-;A"}));
    const std::string zavek = crlfLines({"11,a,250,3,U,0"});
    const std::string zavekFile = files.write("zavek.csv", zavek);
    showPage(1);
    box("txtVQDTemplateFile")->setText(qs(templateFile));
    box("txtZavekOutputFile")->setText(qs(zavekFile));
    box("txtResultFile")->setText(qs(files.path("./zavek.csv")));
    click(button("cmdGo2"));
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{
                  {true, "The output file " + files.path("./zavek.csv") +
                             " is the same file as the ZAVEK output file: " + zavekFile}}));
    EXPECT_EQ(label("lblProgress")->text(), "");
    EXPECT_EQ(readBytes(zavekFile), zavek);
}

} // namespace
} // namespace vqd::test
