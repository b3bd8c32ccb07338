#include "shell/text_bytes.h"
#include "window_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <regex>

namespace vqd::test {
namespace {

using Runs = WindowTest;

// A typed column name, exact, chooses it, other text nothing; ZAVEK's own file is refused.
TEST_F(Runs, BackTakesTheChosenColumns) {
    const std::string zavek = crlfLines({"11,a,250,3,U,0", "12,b,7,1,S,0"});
    const std::string zavekFile = files.write("zavek.csv", zavek);
    namePage2(files.write("template.csv", crlfLines({"code;value;status;flag;value", "x;0;-;A;0"})),
              zavekFile, files.path("./zavek.csv"));
    // Columns by position: the cell value goes to the second column named "value".
    for (const auto& [k, column] : {std::pair{0, 5}, {1, 4}, {5, 1}})
        cmbVars(k)->setCurrentIndex(column);
    const std::tuple<int, const char*, const char*> typed[] = {
        {1, "bogus", "flag"}, {2, "Status", "none"}, {2, "status", "status"}, {3, "flag", "flag"}};
    for (const auto& [k, text, shown] : typed) {
        cmbVars(k)->lineEdit()->selectAll();
        QTest::keyClicks(cmbVars(k)->lineEdit(), text);
        QTest::keyClick(cmbVars(k)->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(cmbVars(k)->currentText(), shown) << text;
        EXPECT_EQ(cmbVars(k)->count(), 6) << text;
    }
    cmbVars(3)->setEditText("none"); // typed, not confirmed: the dominance goes nowhere
    dialogs.whenShown = [&] { EXPECT_EQ(label("lblProgress")->text(), "processing"); };
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
              crlfLines({"code;value;status;flag;value", "11;0;U;3;250", "12;0;S;1;7"}));
}

// Lead string, count and "ready" stand in the window before any box about the run shows.
TEST_F(Runs, BoxesComeAfterWhatTheRunHasShown) {
    std::vector<QString> behindBoxes;
    // Lines ended by a line feed alone are one line: one record, and a note.
    nameFile(files.write("cells.csv", "NL;Total;250;3;S;0\n"), "2");
    click(check("chkHierch(0)"));
    box("txtHierFile(0)")->setText(qs(files.write("region.hrc", crlfLines({"NL", "@GR", "@BE"}))));
    box("txtVarName(0)")->setText("Region");
    box("txtTotCode(0)")->setText("XX");
    box("txtTotCode(1)")->setText("Total");
    cmbVars(3)->setEditText("none"); // typed, not confirmed: the dominance goes nowhere
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
    cmbVars(3)->setEditText("none"); // typed, not confirmed: the dominance goes nowhere
    dialogs.whenShown = [&] { behindBoxes.push_back(label("lblProgress")->text()); };
    click(button("cmdGo2")); // a note on the byte-order mark
    EXPECT_EQ(behindBoxes, (std::vector<QString>{"ready"}));
}

// The README's examples give the command line's bytes, date aside, from a non-ASCII name.
TEST_F(Runs, ReadmeExamplesGiveWhatTheCommandLineGives) {
    const QDir built(QCoreApplication::applicationDirPath());
    const auto example = [&](const char* name) {
        return files.write(name, readBytes(pathOf(built.filePath(VQD_EXAMPLES_RELATIVE_PATH) +
                                                  QLatin1Char('/') + name)));
    };
    const std::string input = files.path("\xCE\xA9 Z\xC3\xBCrich.csv");
    writeBytes(input, "R\xE9gion" + readBytes(example("cells.csv")).substr(6));
    const std::string hierarchy = example("region.hrc");
    const QStringList outputs = {qs(input + ".rda"), qs(input + ".tab"), qs(input + ".hst"),
                                 qs(input + ".log"), qs(files.path("protected.csv"))};
    nameFile(input, "2");
    EXPECT_EQ(box("txtVarName(0)")->text(), ""); // only on request
    // Names from the first line, a code list for the first variable and both total codes.
    click(check("chkVarNamesInFirst"));
    click(check("chkHierch(0)"));
    box("txtHierFile(0)")->setText(qs(hierarchy));
    box("txtTotCode(0)")->setText("NL");
    box("txtTotCode(1)")->setText("Total");
    click(button("cmdGo"));
    EXPECT_EQ(label("lblVerslag")->text(), "28 records processed");
    EXPECT_EQ(box("txtleadString(0)")->text(), "@");
    EXPECT_TRUE(dialogs.shown.empty());
    namePage2(example("template.csv"), example("cells.zavek.csv"), files.path("protected.csv"));
    EXPECT_EQ(label("lblVerslag")->text(), ""); // the turned page clears it
    for (const auto& [k, column] :
         {std::pair{0, "Turnover"}, {1, "Enterprises"}, {2, "Flag"}, {5, "Region"}, {6, "Age"}})
        cmbVars(k)->setCurrentIndex(cmbVars(k)->findText(column));
    click(button("cmdGo2"));
    ASSERT_EQ(label("lblProgress")->text(), "ready");
    std::vector<std::string> byWindow;
    for (const QString& output : outputs)
        byWindow.push_back(readBytes(pathOf(output)));

    const auto run = [&](const QStringList& arguments) {
        QProcess cli;
        cli.start(built.filePath(VQD_CLI_RELATIVE_PATH), arguments);
        EXPECT_TRUE(cli.waitForFinished(60000) && cli.exitCode() == 0) << cli.readAll().data();
    };
    run({"forward", qs(input), "--dim", "2", "--names-first", "--hier1", qs(hierarchy), "--total1",
         "NL", "--total2", "Total"});
    run({"back", "--template", qs(files.path("template.csv")), "--zavek",
         qs(files.path("cells.zavek.csv")), "--output", outputs.back(), "--var1", "Region",
         "--var2", "Age", "--value", "Turnover", "--freq", "Enterprises", "--status", "Flag"});
    const std::regex dateLine("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
    for (qsizetype i = 0; i < outputs.size(); ++i)
        EXPECT_EQ(std::regex_replace(readBytes(pathOf(outputs[i])), dateLine, "DATE"),
                  std::regex_replace(byWindow[i], dateLine, "DATE"))
            << outputs[i].toStdString();
}

} // namespace
} // namespace vqd::test
