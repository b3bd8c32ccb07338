#include "window_fixture.h"

#include <QApplication>

namespace vqd::test {
namespace {

class KeyboardAndHelp : public WindowTest {
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

TEST_F(KeyboardAndHelp, EveryControlAndCaptionExplainsItself) {
    // Headings over several controls, row numbers and the hidden lead strings need no tip.
    const QStringList withoutTip = {"lblVariabelen", "LblLevelsFromFile", "lblDestinatiom",
                                    "lblVerslag", "lblProgress"};
    int explained = 0;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        const bool ours = QStringList{"txt", "chk", "cmd", "cmb", "lbl", "Label", "LbL"}.contains(
            name.left(name.startsWith("Label") ? 5 : 3), Qt::CaseSensitive);
        if (!ours || withoutTip.contains(name) || name.startsWith("txtleadString") ||
            name.startsWith("lblVArNo"))
            continue;
        EXPECT_FALSE(control->toolTip().isEmpty()) << name.toStdString();
        ++explained;
    }
    EXPECT_GT(explained, 60);
    // The tip names the row's own variable.
    EXPECT_TRUE(box("txtTotCode(2)")->toolTip().contains("variable 3's total"));
    EXPECT_TRUE(cmbVars(6)->toolTip().contains("explanatory variable 2"));
}

TEST_F(KeyboardAndHelp, TabFollowsTheFirstPageAsItReads) {
    nameFile(cellFile(), "2");
    check("chkHierch(1)")->click();
    EXPECT_EQ(tabWalk("txtVQDFileName"),
              (QStringList{"txtVQDFileName", "cmdZoekVQDFile", "txtPerc(0)", "txtPerc(1)",
                           "txtPerc(2)", "txtSep", "txtDim", "chkVarNamesInFirst", "cmdGo",
                           "cmdEnd", "txtVarName(0)", "chkHierch(0)", "txtTotCode(0)",
                           "chkLevels(0)", "txtVarName(1)", "chkHierch(1)", "txtHierFile(1)",
                           "cmdZoekHrc(1)", "txtTotCode(1)", "chkLevels(1)", "VQDTab1"}));
}

TEST_F(KeyboardAndHelp, TabFollowsTheSecondPageAsItReads) {
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

} // namespace
} // namespace vqd::test
