#include "window_fixture.h"

namespace vqd::test {
namespace {

// The window hands its boxes to the conversions, whose bytes the engine's and command line's own
// tables pin; here, what the window takes and shows.
using Runs = WindowTest;

TEST_F(Runs, ForwardTakesTheRowsAndShowsWhatItFound) {
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
    const std::string rda = readBytes(files.path("cells.csv.rda"));
    EXPECT_NE(
        rda.find(crlfLines({"R\xE9gion 5", "  <RECODABLE>", "  <HIERARCHICAL>",
                            "  <HIERCODELIST> \"" + hierarchy + "\"", "  <HIERLEADSTRING> \"@\"",
                            "  <TOTCODE> NL", "Age 5", "  <RECODABLE>", "  <TOTCODE> Total"})),
        std::string::npos)
        << rda;
}

// Typing in a destination never adds an entry: a column's name chooses it, other text no column.
// A result that is ZAVEK's own file is refused and leaves the status line empty.
TEST_F(Runs, BackTakesTheChosenColumns) {
    const std::string zavek = crlfLines({"11,a,250,3,U,0", "12,b,7,1,S,0"});
    const std::string zavekFile = files.write("zavek.csv", zavek);
    namePage2(files.write("template.csv", crlfLines({"code;value;status;flag", "x;0;-;A"})),
              zavekFile, files.path("./zavek.csv"));
    const std::pair<int, const char*> choices[] = {{0, "value"}, {1, "flag"}, {5, "code"}};
    for (const auto& [k, column] : choices)
        cmbVars(k)->setCurrentIndex(cmbVars(k)->findText(column));
    const std::pair<int, const char*> typed[] = {{1, "bogus"}, {2, "status"}};
    for (const auto& [k, text] : typed) {
        cmbVars(k)->lineEdit()->selectAll();
        QTest::keyClicks(cmbVars(k)->lineEdit(), text);
        QTest::keyClick(cmbVars(k)->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(cmbVars(k)->count(), 5) << text;
    }
    click(button("cmdGo2"));
    ASSERT_EQ(dialogs.shown.size(), 1U);
    EXPECT_EQ(label("lblProgress")->text(), "");
    EXPECT_EQ(readBytes(zavekFile), zavek);
    dialogs.shown.clear();
    box("txtResultFile")->setText(qs(files.path("result.csv")));
    click(button("cmdGo2"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(label("lblProgress")->text(), "ready");
    EXPECT_EQ(readBytes(files.path("result.csv")),
              crlfLines({"code;value;status;flag", "11;250;U;A", "12;7;S;A"}));
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

    namePage2(files.write("template.csv", "\xEF\xBB\xBF" + crlfLines({"code;value", "x;0"})),
              files.write("zavek.csv", crlfLines({"11,a,250,3,U,0"})), files.path("result.csv"));
    behindBoxes.clear();
    dialogs.whenShown = [&] { behindBoxes.push_back(label("lblProgress")->text()); };
    click(button("cmdGo2")); // a note on the byte-order mark
    EXPECT_EQ(behindBoxes, (std::vector<QString>{"ready"}));
}

} // namespace
} // namespace vqd::test
