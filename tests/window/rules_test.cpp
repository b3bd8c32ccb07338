#include "window_fixture.h"

#include <QApplication>

namespace vqd::test {
namespace {

using Rules = WindowTest;

TEST_F(Rules, RowsFollowVarCountTheirOptionsAndThePage) {
    // Ticked with four rows open: code lists for rows 1 and 2, levels for rows 0 and 3.
    nameFile(cellFile(), "4");
    for (const char* tick : {"chkHierch(1)", "chkLevels(0)", "chkHierch(2)", "chkLevels(3)"})
        click(check(tick));
    // Page 2 inspects the template in the input file's place.
    box("txtVQDTemplateFile")->setText(qs(cellFile("template.csv")));
    // Dimension, page, and per row whether each control is enabled, in the order txtVarName,
    // chkHierch, txtHierFile, cmdZoekHrc, chkLevels, txtlevels, txtleadString, txtTotCode. Ticks
    // beyond the dimension open nothing; above four, the four rows are open.
    const std::tuple<const char*, int, std::array<const char*, 4>> cases[] = {
        {"2", 0, {"11001111", "11111001", "00000000", "00000000"}},
        {"7", 0, {"11001111", "11111001", "11111001", "11001111"}},
        {"2", 1, {"10001111", "10001001", "00000000", "00000000"}}};
    const char* controls[] = {"txtVarName", "chkHierch", "txtHierFile",   "cmdZoekHrc",
                              "chkLevels",  "txtlevels", "txtleadString", "txtTotCode"};
    for (const auto& [dimension, page, rows] : cases) {
        box("txtDim")->setText(dimension);
        showPage(page);
        for (int i = 0; i < 4; ++i) {
            std::string states;
            for (const char* control : controls) {
                auto* widget = find<QWidget>(QStringLiteral("%1(%2)").arg(control).arg(i));
                states += widget->isEnabled() ? '1' : '0';
                if (qobject_cast<QLineEdit*>(widget)) {
                    EXPECT_EQ(widget->palette().color(QPalette::Base),
                              widget->isEnabled() ? QColor(255, 255, 255) : QColor(175, 175, 175));
                }
            }
            EXPECT_EQ(states, rows[std::size_t(i)])
                << dimension << " on page " << page << ", row " << i;
        }
    }
}

// Ctrl+Tab, Ctrl+PgUp and Ctrl+PgDown switch pages from anywhere, here first a variable row.
TEST_F(Rules, PageSwitchKeepsPageFrameAndFlagTogether) {
    nameFile(cellFile(), "2");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box("txtVarName(0)")->setFocus();
    for (const auto& [key, page] : {std::pair{Qt::Key_Tab, 1}, std::pair{Qt::Key_PageUp, 0},
                                    std::pair{Qt::Key_PageDown, 1}}) {
        label("lblProgress")->setText("ready");
        label("lblVerslag")->setText("3 records processed");
        QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
        EXPECT_EQ(window->state().ForwardPageActive, page == 0);
        EXPECT_EQ(find<QWidget>("frmHier")->isVisible(), page == 0);
        EXPECT_EQ(find<QWidget>("frmOutput")->isVisible(), page == 1);
        // Page 2's status line is emptied only when page 2 is selected; the rules run on both.
        EXPECT_EQ(label("lblProgress")->text().isEmpty(), page == 1);
        EXPECT_TRUE(label("lblVerslag")->text().isEmpty());
    }
}

TEST_F(Rules, BothHierarchyOptionsAreWarnedAtEveryLaterTrigger) {
    nameFile(cellFile(), "2");
    click(check("chkHierch(1)"));
    EXPECT_TRUE(dialogs.shown.empty());
    click(check("chkLevels(1)"));
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{{true, "Not both hierarchical options together"}}));
    // Said again at each later rule while both stay ticked, but not for a row beyond the dimension.
    box("txtResultFile")->setText("x");
    EXPECT_EQ(dialogs.shown.size(), 2u);
    box("txtDim")->setText("1");
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

TEST_F(Rules, NamedFileIsInspectedQuietlyUntilItDoesNotSplit) {
    const std::string path = cellFile();
    const std::string empty = files.write("empty.csv", "");
    box("txtDim")->setText("2");
    // Half-typed names, a folder and no name are no file: nothing said, no variables.
    QTest::keyClicks(box("txtVQDFileName"), qs(path));
    EXPECT_EQ(window->state().VarCount, 2);
    for (const std::string& noFile : {files.path(""), std::string()}) {
        box("txtVQDFileName")->setText(qs(noFile));
        EXPECT_EQ(window->state().VarCount, 0);
    }
    EXPECT_TRUE(dialogs.shown.empty());

    // A file that does not split keeps the dimension accepted before.
    box("txtVQDFileName")->setText(qs(path));
    box("txtSep")->setText(",");
    box("txtSep")->setText(";");
    box("txtVQDFileName")->setText(qs(empty));
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{{true, "No separator found in file: " + path},
                                         {true, "No separator found in file: " + empty}}));
    EXPECT_EQ(window->state().VarCount, 2);
}

TEST_F(Rules, GoButtonsFollowTheirNames) {
    const std::string path = cellFile();
    // A blank name or dimension is none; whether the file exists is the run's to say.
    const std::tuple<std::string, const char*, bool> page1[] = {
        {"   ", "2", false}, {path, "  ", false}, {"no-such-file", "2", true}, {path, "", false}};
    for (const auto& [name, dimension, ready] : page1) {
        nameFile(name, dimension);
        EXPECT_EQ(button("cmdGo")->isEnabled(), ready) << name << "|" << dimension;
        EXPECT_EQ(button("cmdGo")->isDefault(), ready) << name << "|" << dimension;
    }
    for (const char* name : {"txtVQDTemplateFile", "txtZavekOutputFile", "txtResultFile"}) {
        EXPECT_FALSE(button("cmdGo2")->isEnabled());
        box(name)->setText(qs(path));
    }
    EXPECT_TRUE(button("cmdGo2")->isEnabled());
    box("txtResultFile")->setText("   ");
    EXPECT_FALSE(button("cmdGo2")->isEnabled());
}

} // namespace
} // namespace vqd::test
