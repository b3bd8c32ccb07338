#include "window_fixture.h"

namespace vqd::test {
namespace {

using StartUp = WindowTest;

// A damaged store gives the defaults and must not keep the settings from being stored again;
// page 1's end button, page 2's ready button and the close box all store the boxes as they stand.
TEST_F(StartUp, DamagedStoreGivesTheDefaultsAndEndingStoresTheBoxesForTheNextRun) {
    const auto boxes = [this] {
        return std::vector<QString>{box("txtSep")->text(), box("txtPerc(0)")->text(),
                                    box("txtPerc(1)")->text(), box("txtPerc(2)")->text()};
    };
    // A store not read before in this process: Qt keeps the contents of stores it has read.
    ScratchFolder fresh;
    storeFolder = fresh.path("");
    writeBytes(fresh.path("VQD2Zavek.conf"), "[General\nFREQ=5\n");
    open();
    EXPECT_EQ(boxes(), (std::vector<QString>{";", "10", "90", "80"}));
    // So does one an editor saved in the ANSI code page.
    ScratchFolder ansi;
    storeFolder = ansi.path("");
    writeBytes(ansi.path("VQD2Zavek.conf"), "[General]\nSEP=\xA7\nFREQ=5\n");
    open();
    EXPECT_EQ(boxes(), (std::vector<QString>{";", "10", "90", "80"}));
    box("txtSep")->setText("tab");
    box("txtPerc(0)")->clear();
    testing::internal::CaptureStderr();
    click(button("cmdEnd"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(readBytes(settings->fileName().toStdString()).find("[General]"), std::string::npos);
    open();
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

// The input dialog opens with the filter last left on, also after a restart; at first the first.
TEST_F(StartUp, InputDialogKeepsItsLastFilter) {
    const QString cells = qs(cellFile());
    dialogs.willChoose(cells, 2);
    button("cmdZoekVQDFile")->click();
    dialogs.willChoose(cells);
    button("cmdZoekVQDFile")->click();
    click(button("cmdEnd"));
    open();
    button("cmdZoekVQDFile")->click();
    EXPECT_EQ(dialogs.offeredFilters, (std::vector<std::int32_t>{1, 2, 2}));
}

} // namespace
} // namespace vqd::test
