#include "window_fixture.h"

#include <QApplication>

namespace vqd::test {
namespace {

using Keyboard = WindowTest;

// From the input file's box, Tab goes through page 1 as it reads, the open rows included, to the
// tab bar; on page 2 Tab goes through its files and lists back to the bar.
TEST_F(Keyboard, TabFollowsEachPageAsItReads) {
    nameFile(cellFile(), "2");
    check("chkHierch(1)")->click();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
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
}

// The focused control; lblVerslag afterwards, a count when Go ran; file dialogs opened; closed.
struct EnterCase {
    const char *focus, *name;
    QString status;
    std::size_t dialogs;
    bool closed;
};

class EnterKey : public WindowTest, public testing::WithParamInterface<EnterCase> {};

// Enter presses the focused button; from any other control, the default button Go.
TEST_P(EnterKey, PressesTheFocusedButtonElseGo) {
    const EnterCase& c = GetParam();
    nameFile(cellFile(), "2");
    box("txtTotCode(0)")->setText("T");
    box("txtTotCode(1)")->setText("T");
    click(check("chkVarNamesInFirst"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QWidget* focus = window->findChild<QWidget*>(c.focus);
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(label("lblVerslag")->text(), c.status);
    EXPECT_EQ(dialogs.offeredFilters.size(), c.dialogs);
    EXPECT_EQ(window->isVisible(), !c.closed);
}

INSTANTIATE_TEST_SUITE_P(
    Focus, EnterKey,
    testing::Values(EnterCase{"txtTotCode(1)", "InABox", "3 records processed", 0, false},
                    EnterCase{"chkLevels(0)", "OnACheckBox", "3 records processed", 0, false},
                    EnterCase{"cmdZoekVQDFile", "OnBrowse", "", 1, false},
                    EnterCase{"cmdEnd", "OnReady", "", 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vqd::test
