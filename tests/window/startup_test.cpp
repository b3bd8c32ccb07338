#include "window_fixture.h"

#include <QTextDocument>

namespace vqd::test {
namespace {

using StartUp = WindowTest;
using Keyboard = WindowTest;

// A damaged store gives defaults and is rewritten; End, Ready and closing store boxes and filter.
TEST_F(StartUp, StoreGivesTheBoxesAndEndingStoresThemForTheNextRun) {
    const auto boxes = [this] {
        return std::vector<QString>{box("txtSep")->text(), box("txtPerc(0)")->text(),
                                    box("txtPerc(1)")->text(), box("txtPerc(2)")->text()};
    };
    // Fresh stores, as Qt caches those it has read; the last saved in the ANSI code page.
    const std::pair<std::string, const char*> stores[] = {{"[General]\nFREQ=5\n", "5"},
                                                          {"[General\nFREQ=5\n", "10"},
                                                          {"[General]\nSEP=\xA7\nFREQ=5\n", "10"}};
    std::vector<ScratchFolder> fresh(std::size(stores));
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        storeFolder = fresh[i].path("");
        writeBytes(fresh[i].path("VQD2Zavek.conf"), stores[i].first);
        open();
        EXPECT_EQ(boxes(), (std::vector<QString>{";", stores[i].second, "90", "80"})) << i;
    }
    EXPECT_EQ(window->windowTitle(), "VQD ZAVEK Interchange program, version: 1,1");
    const QString cells = qs(cellFile());
    dialogs.willChoose(cells, 2);
    button("cmdZoekVQDFile")->click();
    dialogs.willChoose(cells); // opens where the first was left
    button("cmdZoekVQDFile")->click();
    box("txtSep")->setText("tab");
    box("txtPerc(0)")->clear();
    testing::internal::CaptureStderr();
    click(button("cmdEnd"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(readBytes(settings->fileName().toStdString()).find("[General]"), std::string::npos);
    open();
    button("cmdZoekVQDFile")->click();
    EXPECT_EQ(dialogs.offeredFilters,
              (QStringList{"VQD File (*.vqd)", "CVS File (*.csv)", "CVS File (*.csv)"}));
    box("txtPerc(1)")->setText(" 95 ");
    showPage(1);
    click(button("cmdReady2"));
    EXPECT_FALSE(window->isVisible());
    open();
    EXPECT_EQ(boxes(), (std::vector<QString>{"tab", "", " 95 ", "80"}));
    box("txtPerc(2)")->setText("70");
    window->close();
    open();
    EXPECT_EQ(box("txtPerc(2)")->text(), "70");
    // A store that cannot be written is said once, though Ready and the closing both save.
    storeFolder = files.write("plain", "");
    open();
    testing::internal::CaptureStderr();
    click(button("cmdEnd"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "vqd2zavek: cannot write the settings to " +
                                                          settings->fileName().toStdString() +
                                                          "\n");
}

// Each input control's tooltip is in sentences; a destination list names what it receives.
TEST_F(StartUp, EveryControlExplainsItself) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const std::string name = control->objectName().toStdString();
        const bool input = qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                           qobject_cast<QAbstractButton*>(control);
        // A list's own line and the never shown lead strings aside.
        // Every caption says something; the two status lines start empty.
        const auto* caption = qobject_cast<QLabel*>(control);
        EXPECT_TRUE(!caption || !caption->text().isEmpty() || name == "lblVerslag" ||
                    name == "lblProgress")
            << name;
        if (!input || name.empty() || control->isHidden()) continue;
        EXPECT_TRUE(Qt::mightBeRichText(control->toolTip())) << name; // wrapped, not one long line
        QTextDocument tip;
        tip.setHtml(control->toolTip());
        for (const QString& paragraph : tip.toPlainText().split('\n'))
            EXPECT_TRUE(paragraph.size() > 1 && paragraph[0].isUpper() && paragraph.endsWith('.'))
                << name << ": " << paragraph.toStdString();
    }
    const char* received[] = {"value",      "frequency",  "status",     "dominance", "top-2",
                              "variable 1", "variable 2", "variable 3", "variable 4"};
    for (int k = 0; k < 9; ++k)
        EXPECT_TRUE(cmbVars(k)->toolTip().contains(received[k])) << k;
}

// Tab walks page 1 as it reads, open rows included, to the tab bar; then page 2 back to the bar.
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

// Enter presses the focused button; from any other control, the default button Go.
TEST_F(Keyboard, EnterPressesTheFocusedButtonElseGo) {
    // The focused control; lblVerslag afterwards; file dialogs opened; whether the window closed.
    const std::tuple<const char*, QString, qsizetype, bool> cases[] = {
        {"txtTotCode(1)", "3 records processed", 0, false},
        {"chkLevels(0)", "3 records processed", 0, false},
        {"cmdZoekVQDFile", "", 1, false},
        {"cmdEnd", "", 0, true}};
    for (const auto& [focused, status, opened, closed] : cases) {
        open();
        dialogs.offeredFilters.clear();
        nameFile(cellFile(), "2");
        box("txtTotCode(0)")->setText("T");
        box("txtTotCode(1)")->setText("T");
        click(check("chkVarNamesInFirst"));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QWidget* focus = find<QWidget>(focused);
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Return);
        EXPECT_EQ(label("lblVerslag")->text(), status) << focused;
        EXPECT_EQ(dialogs.offeredFilters.size(), opened) << focused;
        EXPECT_EQ(window->isVisible(), !closed) << focused;
    }
}

} // namespace
} // namespace vqd::test
