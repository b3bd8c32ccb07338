#include "window_fixture.h"

namespace vqd::test {
namespace {

class StartUp : public WindowTest {
protected:
    std::vector<QString> boxes() const {
        return {box("txtSep")->text(), box("txtPerc(0)")->text(), box("txtPerc(1)")->text(),
                box("txtPerc(2)")->text()};
    }
};

// Page 2's ready button and the close box store the boxes; page 1's is the next test's.
TEST_F(StartUp, EndingStoresTheBoxesAsTheyStandForTheNextRun) {
    box("txtSep")->setText("tab");
    box("txtPerc(0)")->clear();
    box("txtPerc(1)")->setText(" 95 ");
    showPage(1);
    click(button("cmdReady2"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(readBytes(settings->fileName().toStdString()).find("[General]"), std::string::npos);
    open();
    EXPECT_EQ(boxes(), (std::vector<QString>{"tab", "", " 95 ", "80"}));
    box("txtPerc(2)")->setText("70");
    window->close();
    open();
    EXPECT_EQ(box("txtPerc(2)")->text(), "70");
}

// A damaged store must not keep the settings from being stored again, nor be reported as
// unwritable.
TEST_F(StartUp, MalformedStoreGivesTheDefaultsAndIsWrittenAnew) {
    // A store not read before in this process: Qt keeps the contents of stores it has read.
    ScratchFolder fresh;
    storeFolder = fresh.path("");
    writeBytes(fresh.path("VQD2Zavek.conf"), "[General\nFREQ=5\n");
    open();
    EXPECT_EQ(boxes(), (std::vector<QString>{";", "10", "90", "80"}));
    box("txtSep")->setText("tab");
    testing::internal::CaptureStderr();
    click(button("cmdEnd"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    open();
    EXPECT_EQ(box("txtSep")->text(), "tab");
}

} // namespace
} // namespace vqd::test
