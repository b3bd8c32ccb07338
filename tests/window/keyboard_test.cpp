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

} // namespace
} // namespace vqd::test
