#include "window_fixture.h"

#include <QTextDocument>

namespace vqd::test {
namespace {

using StartUp = WindowTest;

// A well-formed store gives its values, a damaged one the defaults and must not keep the settings
// from being stored again; page 1's end button, page 2's ready button and the close box all store
// the boxes as they stand, and the filter the input dialog was left on. The title names the
// version.
TEST_F(StartUp, StoreGivesTheBoxesAndEndingStoresThemForTheNextRun) {
    const auto boxes = [this] {
        return std::vector<QString>{box("txtSep")->text(), box("txtPerc(0)")->text(),
                                    box("txtPerc(1)")->text(), box("txtPerc(2)")->text()};
    };
    // Each a store not read before in this process: Qt keeps the contents of stores it has read.
    // The last one an editor saved in the ANSI code page.
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
}

// Every control that takes input says in sentences what it is for; a destination list names what
// it receives.
TEST_F(StartUp, EveryControlExplainsItself) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const std::string name = control->objectName().toStdString();
        const bool input = qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                           qobject_cast<QAbstractButton*>(control);
        // A list's own line and the never shown lead strings aside.
        if (!input || name.empty() || control->isHidden()) continue;
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

} // namespace
} // namespace vqd::test
