#include "window_fixture.h"

#include <QApplication>

namespace vqd::test {
namespace {

class Keyboard : public WindowTest {
protected:
    // The controls that Tab reaches from `start`, in order, until it comes round again.
    QStringList tabWalk(const QString& start) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        find<QWidget>(start)->setFocus();
        QStringList walk;
        for (int step = 0; step < 100; ++step) {
            QWidget* focus = QApplication::focusWidget();
            if (!focus) break;
            // The tab bar stands for its tab control.
            const QString name = focus->objectName() == "qt_tabwidget_tabbar"
                                     ? QStringLiteral("VQDTab1")
                                     : focus->objectName();
            if (step > 0 && name == start) break;
            walk << name;
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        return walk;
    }
};

TEST_F(Keyboard, TabFollowsTheFirstPageAsItReads) {
    nameFile(cellFile(), "2");
    check("chkHierch(1)")->click();
    EXPECT_EQ(tabWalk("txtVQDFileName"),
              (QStringList{"txtVQDFileName", "cmdZoekVQDFile", "txtPerc(0)", "txtPerc(1)",
                           "txtPerc(2)", "txtSep", "txtDim", "chkVarNamesInFirst", "cmdGo",
                           "cmdEnd", "txtVarName(0)", "chkHierch(0)", "txtTotCode(0)",
                           "chkLevels(0)", "txtVarName(1)", "chkHierch(1)", "txtHierFile(1)",
                           "cmdZoekHrc(1)", "txtTotCode(1)", "chkLevels(1)", "VQDTab1"}));
}

TEST_F(Keyboard, TabFollowsTheSecondPageAsItReads) {
    showPage(1);
    box("txtVQDTemplateFile")->setText(qs(files.write("template.csv", crlfLines({"a;b", "-;-"}))));
    box("txtZavekOutputFile")->setText(qs(files.write("zavek.csv", crlfLines({"11,a,2,3,U,0"}))));
    box("txtResultFile")->setText(qs(files.path("result.csv")));
    EXPECT_EQ(tabWalk("txtVQDTemplateFile"),
              (QStringList{"txtVQDTemplateFile", "cmdVQDfile", "txtZavekOutputFile",
                           "cmdZoekZavekOutput", "txtResultFile", "cmdZoekResult", "cmdGo2",
                           "cmdReady2", "cmbVars(0)", "cmbVars(1)", "cmbVars(2)", "cmbVars(3)",
                           "cmbVars(4)", "cmbVars(5)", "VQDTab1"}));
}

// Ctrl+Tab, Ctrl+PgUp and Ctrl+PgDown switch pages from anywhere, here first a variable row.
TEST_F(Keyboard, PageSwitchKeepsPageFrameAndFlagTogether) {
    nameFile(cellFile(), "2");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box("txtVarName(0)")->setFocus();
    for (const auto& [key, page] : {std::pair{Qt::Key_Tab, 1}, std::pair{Qt::Key_PageUp, 0},
                                    std::pair{Qt::Key_PageDown, 1}}) {
        QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
        EXPECT_EQ(window->state().ForwardPageActive, page == 0);
        EXPECT_EQ(find<QWidget>("frmHier")->isVisible(), page == 0);
        EXPECT_EQ(find<QWidget>("frmOutput")->isVisible(), page == 1);
    }
}

} // namespace
} // namespace vqd::test
