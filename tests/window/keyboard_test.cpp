#include "window_fixture.h"

#include <QApplication>

namespace vqd::test {
namespace {

using Keyboard = WindowTest;

// From the input file's box, Tab goes through the first page as it reads, the open rows included,
// and comes round again by the tab bar.
TEST_F(Keyboard, TabFollowsTheFirstPageAsItReads) {
    nameFile(cellFile(), "2");
    check("chkHierch(1)")->click();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box("txtVQDFileName")->setFocus();
    QStringList walk;
    for (int step = 0; step < 100; ++step) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus) break;
        // The tab bar stands for its tab control.
        const QString name = focus->objectName() == "qt_tabwidget_tabbar"
                                 ? QStringLiteral("VQDTab1")
                                 : focus->objectName();
        if (step > 0 && name == "txtVQDFileName") break;
        walk << name;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(walk, (QStringList{"txtVQDFileName", "cmdZoekVQDFile",     "txtPerc(0)",
                                 "txtPerc(1)",     "txtPerc(2)",         "txtSep",
                                 "txtDim",         "chkVarNamesInFirst", "cmdGo",
                                 "cmdEnd",         "txtVarName(0)",      "chkHierch(0)",
                                 "txtTotCode(0)",  "chkLevels(0)",       "txtVarName(1)",
                                 "chkHierch(1)",   "txtHierFile(1)",     "cmdZoekHrc(1)",
                                 "txtTotCode(1)",  "chkLevels(1)",       "VQDTab1"}));
}

} // namespace
} // namespace vqd::test
