#include "window_fixture.h"

#include <QGroupBox>
#include <QRegularExpression>
#include <QTextDocument>
#include <cmath>

namespace vqd::test {
namespace {

using StartUp = WindowTest;
using Rules = WindowTest;
using Inspection = WindowTest;

// A damaged store gives defaults and is rewritten; End, Ready and closing store boxes and filter.
TEST_F(StartUp, StoreGivesTheBoxesAndEndingStoresThemForTheNextRun) {
    const auto boxes = [this] {
        return QStringList{box("txtSep")->text(), box("txtPerc(0)")->text(),
                           box("txtPerc(1)")->text(), box("txtPerc(2)")->text()};
    };
    // Fresh stores, as Qt caches those it has read; the second saved in the ANSI code page, the
    // last with a filter out of range, which the dialog below opens on as the first.
    const std::pair<std::string, const char*> stores[] = {
        {"[General\nFREQ=5\n", "10"},
        {"[General]\nSEP=\xA7\nFREQ=5\n", "10"},
        {"[General]\nFREQ=5\nFILTERINDEX=3\n", "5"}};
    std::vector<ScratchFolder> fresh(std::size(stores));
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        storeFolder = fresh[i].path("");
        writeBytes(fresh[i].path("VQD2Zavek.conf"), stores[i].first);
        open();
        EXPECT_EQ(boxes(), (QStringList{";", stores[i].second, "90", "80"})) << i;
    }
    EXPECT_EQ(window->windowTitle(), "VQD ZAVEK Interchange program, version: 1,1");
    dialogs.answer = FileChoice{qs(cellFile()), 2};
    button("cmdZoekVQDFile")->click();
    box("txtSep")->setText("tab");
    box("txtPerc(0)")->clear();
    testing::internal::CaptureStderr();
    button("cmdEnd")->click();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    open();
    button("cmdZoekVQDFile")->click();
    EXPECT_EQ(dialogs.offeredFilters, (QStringList{"VQD File (*.vqd)", "CVS File (*.csv)"}));
    box("txtPerc(1)")->setText(" 95 ");
    showPage(1);
    button("cmdReady2")->click();
    EXPECT_FALSE(window->isVisible());
    open();
    EXPECT_EQ(boxes(), (QStringList{"tab", "", " 95 ", "80"}));
    box("txtPerc(2)")->setText("70");
    window->close();
    open();
    EXPECT_EQ(box("txtPerc(2)")->text(), "70");
    // A store that cannot be written is said once, though Ready and the closing both save.
    storeFolder = files.write("plain", "");
    open();
    testing::internal::CaptureStderr();
    button("cmdEnd")->click();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "vqd2zavek: cannot write the settings to " +
                                                          settings->fileName().toStdString() +
                                                          "\n");
}

// The captions, tabs, frame title and buttons are the window's own texts (page 1's buttons with
// access keys, page 2's without); each input control's, caption's and the tabs' tooltip is wrapped,
// in sentences; a destination list names what it receives; the two headings stand as titled.
TEST_F(StartUp, EveryControlExplainsItself) {
    const auto* tabs = find<QTabWidget>("VQDTab1");
    QStringList captions{tabs->tabText(0), tabs->tabText(1), find<QGroupBox>("frmOutput")->title()};
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const std::string name = control->objectName().toStdString();
        const auto* caption = qobject_cast<QLabel*>(control);
        if (caption) captions << caption->text().simplified(); // empty: the two status lines
        if (const auto* pressed = qobject_cast<QPushButton*>(control)) captions << pressed->text();
        const bool input = qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                           qobject_cast<QAbstractButton*>(control) || caption ||
                           qobject_cast<QTabWidget*>(control);
        // A list's own line and the never shown lead strings aside.
        if (!input || (name.empty() && !caption) || control->isHidden()) continue;
        EXPECT_TRUE(Qt::mightBeRichText(control->toolTip())) << name;
        QTextDocument tip;
        tip.setHtml(control->toolTip());
        for (const QString& paragraph : tip.toPlainText().split('\n'))
            EXPECT_TRUE(paragraph.size() > 1 && paragraph[0].isUpper() && paragraph.endsWith('.') &&
                        !paragraph.contains(QRegularExpression("[a-z][.][A-Z]"))) // one a line
                << name << ": " << paragraph.toStdString();
    }
    captions.sort();
    EXPECT_EQ(captions.join('|').toStdString(),
              "|| ZAVEK > VQD|&Go|&Ready|...|...|...|...|...|...|...|...|1|2|3|4|"
              "Cell Dom Percentage|Cell Frequency|Cell Status|Cell Top2 Percentage|Cell Value|"
              "Destination Columns|Dimension|Dom Percentage B-Flag|Dom Percentage C-Flag|"
              "Expl. Var 1|Expl. Var 2|Expl. Var 3|Expl. Var 4|Frequency protection percentage|"
              "Go|LevelsFromCode|Ready|Separator|The VQD input file|VQD > ZAVEK|VQD output file|"
              "VQD template file|Var Name Hierarch Hierarch. Structure file Total code|"
              "Var. names on first line|ZAVEK > VQD|Zavek VQD-output file");
    const QString titles = label("lblVariabelen")->text(); // over the rows, the file's over its box
    const QFontMetrics metrics = label("lblVariabelen")->fontMetrics();
    EXPECT_NEAR(label("lblVariabelen")->x() +
                    metrics.horizontalAdvance(titles.section("Hierarch.", 0, 0)),
                box("txtHierFile(0)")->x(), metrics.horizontalAdvance(' '));
    const char* received[] = {"value",      "frequency",  "status",     "dominance", "top-2",
                              "variable 1", "variable 2", "variable 3", "variable 4"};
    for (int k = 0; k < 9; ++k)
        EXPECT_TRUE(cmbVars(k)->toolTip().contains(received[k])) << k;
    EXPECT_TRUE(box("txtVarName(3)")->toolTip().contains("variable 4")); // rows count from 1
}

// Tab walks page 1 as it reads, open rows included, to the tab bar, then page 2 back to the bar.
// Enter presses the focused button, from any other control the default button Go.
TEST_F(StartUp, TabWalksEachPageAsItReadsAndEnterPressesGo) {
    nameFile(cellFile(), "2");
    check("chkHierch(1)")->click();
    box("txtVQDFileName")->setFocus();
    QStringList walk;
    while (QWidget* focus = QApplication::focusWidget()) {
        const bool tabBar = focus->objectName() == "qt_tabwidget_tabbar";
        walk << (tabBar ? QStringLiteral("VQDTab1") : focus->objectName());
        if (walk.count("VQDTab1") == 2 || walk.size() == 100) break;
        // Ctrl+Tab turns the page from anywhere, here from a row below the tabs.
        if (tabBar) QTest::keyClick(box("txtVarName(0)"), Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(walk.join(' '),
              "txtVQDFileName cmdZoekVQDFile txtPerc(0) txtPerc(1) txtPerc(2) txtSep txtDim "
              "chkVarNamesInFirst cmdGo cmdEnd txtVarName(0) chkHierch(0) txtTotCode(0) "
              "chkLevels(0) txtVarName(1) chkHierch(1) txtHierFile(1) cmdZoekHrc(1) "
              "txtTotCode(1) chkLevels(1) VQDTab1 txtVQDTemplateFile cmdVQDfile "
              "txtZavekOutputFile cmdZoekZavekOutput txtResultFile cmdZoekResult cmdReady2 "
              "cmbVars(0) cmbVars(1) cmbVars(2) cmbVars(3) cmbVars(4) cmbVars(5) cmbVars(6) "
              "cmbVars(7) cmbVars(8) VQDTab1");
    QTest::keyClick(box("txtResultFile"), Qt::Key_Return); // page 1's Go is no default here
    EXPECT_EQ(files.fileNames(), Lines{"cells.csv"});
    showPage(0);
    // Enter on "..." opens its dialog; on a tick box it presses Go, which refuses the unnamed rows.
    for (const char* focused : {"cmdZoekVQDFile", "chkLevels(0)"}) {
        find<QWidget>(focused)->setFocus();
        QTest::keyClick(find<QWidget>(focused), Qt::Key_Return);
    }
    EXPECT_EQ(dialogs.offeredFilters.size(), 1);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(Rules, RowsFollowVarCountTheirOptionsAndThePage) {
    // Ticked with four rows open: code lists for rows 1 and 2, levels for rows 0, 3 and 2, which
    // the tick opens at once, with a warning that row 2 now has both.
    nameFile(cellFile(), "4");
    for (const char* tick :
         {"chkHierch(1)", "chkLevels(0)", "chkHierch(2)", "chkLevels(3)", "chkLevels(2)"})
        check(tick)->click();
    EXPECT_TRUE(box("txtlevels(2)")->isEnabled());
    // Page 2 inspects the template, not the input file; ticks beyond the dimension open nothing.
    box("txtVQDTemplateFile")->setText(qs(cellFile("template.csv")));
    box("txtDim")->setText("2");
    // Per page and row, whether each control below is enabled.
    const std::pair<int, std::array<const char*, 4>> cases[] = {
        {0, {"11001111", "11111001", "00000000", "00000000"}},
        {1, {"10001111", "10001001", "00000000", "00000000"}}};
    for (const auto& [page, rows] : cases) {
        showPage(page);
        // Each page's frame shows with it, and page 2's lists take the rows' place below.
        const char* frames[] = {"frmVQD2ZAVEK", "frmHier", "Frmterug", "frmOutput"};
        for (int f = 0; f < 4; ++f)
            EXPECT_EQ(find<QWidget>(frames[f])->isVisible(), f / 2 == page) << frames[f];
        const int listsTop = cmbVars(0)->geometry().top(); // their heading stands above them
        EXPECT_TRUE(page == 0 || label("lblDestinatiom")->geometry().bottom() < listsTop);
        for (int i = 0; i < 4; ++i) {
            std::string states;
            for (const char* control : {"txtVarName", "chkHierch", "txtHierFile", "cmdZoekHrc",
                                        "chkLevels", "txtlevels", "txtleadString", "txtTotCode"})
                states += find<QWidget>(control + QString("(%1)").arg(i))->isEnabled() ? '1' : '0';
            EXPECT_EQ(states, rows[std::size_t(i)]) << "page " << page << ", row " << i;
        }
    }
    EXPECT_EQ(box("txtVarName(0)")->palette().color(QPalette::Base), QColor(Qt::white)); // open
    EXPECT_EQ(dialogs.shown, Lines(2, "critical: Not both hierarchical options together"))
        << "the template's rules too, then closed";
}

// A named file is inspected quietly until it does not split; the go buttons follow the names.
TEST_F(Rules, NamedFileIsInspectedQuietlyUntilItDoesNotSplit) {
    const std::string path = cellFile();
    box("txtDim")->setText("2");
    // Half-typed names are no file: nothing said.
    QTest::keyClicks(box("txtVQDFileName"), qs(path));
    // A separator that does not split the file keeps the dimension accepted before.
    box("txtSep")->setText(",");
    box("txtDim")->setText("3");
    EXPECT_EQ(dialogs.shown, Lines(2, "critical: No separator found in file: " + path));
    EXPECT_EQ(window->state().VarCount, 2);
    box("txtSep")->setText(";");
    box("txtVQDFileName")->setText("/proc/self/mem"); // on Linux, unreadable: no dimension
    EXPECT_EQ(window->state().VarCount, 0);
    // Whether the file exists is the run's to say, but a blank name or dimension is none; page 2's
    // Go wants all three names. Only page 1's Go is the default button, while it can be pressed.
    const std::string found = cellFile("template.csv");
    // clang-format off
    const std::tuple<int, std::string, const char*, const char*, bool> names[] = {
        {0, "gone.csv", "3", "", true}, {0, "   ", "2", "", false}, {0, "cells.csv", "  ", "", false},
        {1, "   ", "zavek.csv", "result.csv", false}, {1, found, "  ", "result.csv", false},
        {1, found, "zavek.csv", "  ", false}, {1, found, "zavek.csv", "result.csv", true}};
    // clang-format on
    for (const auto& [page, first, second, result, ready] : names) {
        page == 0 ? nameFile(first, second) : namePage2(first, second, result);
        const QPushButton* go = button(page == 0 ? "cmdGo" : "cmdGo2");
        EXPECT_EQ(std::pair(go->isEnabled(), go->isDefault()), std::pair(ready, ready && !page))
            << first << "|" << second << "|" << result;
    }
}

// All nine lists take the template header's columns by position, equal and empty ones too, reset
// to "none". Destination k opens for the k-th variable of the ZAVEK file; a closed one's text stays
// readable on its grey (4.5:1 or more), as a closed row's (its boxes #AFAFAF) and caption's.
TEST_F(Inspection, Page2FilesFillAndOpenTheLists) {
    const std::pair<const char*, QStringList> cases[] = {
        {"a,b;c", {"none"}}, // the separator could not be decided: no columns
        {"x,,x", {"none", "x", "", "x"}}};
    const std::string earlier = files.write("earlier.csv", crlfLines({"p;q;r;s", "1;2;3;4"}));
    for (const auto& [header, expected] : cases) {
        box("txtVQDTemplateFile")->setText(qs(earlier));
        cmbVars(8)->setCurrentIndex(4);
        dialogs.shown.clear();
        // A name still being typed is no template yet: the choice stays.
        QTest::keyClicks(box("txtVQDTemplateFile"), "x");
        EXPECT_EQ(cmbVars(8)->currentIndex(), 4);
        box("txtVQDTemplateFile")
            ->setText(qs(files.write("template.csv", crlfLines({header, "m"}))));
        QStringList items; // the last list stands for all nine
        for (int i = 0; i < cmbVars(8)->count(); ++i)
            items << cmbVars(8)->itemText(i);
        EXPECT_EQ(items, expected) << header;
        EXPECT_EQ(cmbVars(8)->currentIndex(), 0) << header;
    }
    // Nine commas on the first line: three variables. Unreadable (said) or no file: none.
    const std::string three = files.write("zavek.csv", ",,,,,,,,,\r\n");
    const std::pair<std::string, const char*> zavekFiles[] = {
        {three, "1110"}, {"/proc/self/mem", "0000"}, {"", "0000"}};
    for (const auto& [zavek, open] : zavekFiles) {
        box("txtZavekOutputFile")->setText(qs(zavek));
        std::string states;
        for (int k = 5; k < 9; ++k)
            states += cmbVars(k)->isEnabled() ? '1' : '0';
        EXPECT_EQ(states, open) << zavek;
    }
    EXPECT_EQ(dialogs.shown.size(), std::filesystem::is_regular_file("/proc/self/mem") ? 1u : 0u);
    const auto luminance = [](const QWidget* w, QPalette::ColorRole role) { // relative, of a grey
        const double s = w->palette().color(QPalette::Disabled, role).redF();
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    for (QWidget* closed : std::initializer_list<QWidget*>{
             box("txtVarName(0)"), cmbVars(8)->lineEdit(), label("lblDesination(8)")}) {
        const double text = luminance(closed, closed->foregroundRole());
        const double ground = luminance(closed, closed->backgroundRole());
        EXPECT_GE((ground + 0.05) / (text + 0.05), 4.5) << closed->objectName().toStdString();
    }
    EXPECT_EQ(box("txtVarName(0)")->palette().color(QPalette::Base), QColor(0xAF, 0xAF, 0xAF));
}

} // namespace
} // namespace vqd::test
