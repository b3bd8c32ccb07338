#include "window_fixture.h"

#include <QSettings>

namespace vqd::test {
namespace {

class StartUp : public WindowTest {
protected:
    // Reopens the window on a store holding `entries`.
    void reopenWith(const std::vector<std::pair<QString, QString>>& entries) {
        window.reset();
        QSettings stored(settings->fileName(), QSettings::IniFormat);
        for (const auto& [key, value] : entries)
            stored.setValue(key, value);
        stored.sync();
        open();
    }
    std::vector<QString> boxes() const {
        return {box("txtSep")->text(), box("txtPerc(0)")->text(), box("txtPerc(1)")->text(),
                box("txtPerc(2)")->text()};
    }
    const std::vector<QString> defaults{";", "10", "90", "80"};
};

TEST_F(StartUp, EmptyStoreGivesTheDefaultsAndAClosedPage) {
    EXPECT_EQ(boxes(), defaults);
    EXPECT_EQ(window->state().FilterIndex, 1);
    EXPECT_FALSE(button("cmdGo")->isEnabled() || button("cmdGo")->isDefault());
    EXPECT_FALSE(button("cmdGo2")->isEnabled());
    EXPECT_FALSE(box("txtVarName(0)")->isEnabled());
    EXPECT_FALSE(find<QWidget>("frmOutput")->isVisible());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(StartUp, FilledStoreFillsTheBoxesAsStored) {
    reopenWith({{"SEP", "tab"}, {"FREQ", "12"}, {"DOM1", ""}, {"DOM2", "75,5"}});
    EXPECT_EQ(boxes(), (std::vector<QString>{"tab", "12", "", "75,5"}));
    EXPECT_EQ(window->state().FieldSeparator, "\t");
    // The input file's dialog has two filters of its own; anything else is the first.
    for (const auto& [stored, expected] :
         std::vector<std::pair<QString, int>>{{"2", 2}, {"3", 1}, {"two", 1}}) {
        reopenWith({{"FILTERINDEX", stored}});
        EXPECT_EQ(window->state().FilterIndex, expected) << stored.toStdString();
    }
}

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

TEST_F(StartUp, MalformedStoreGivesTheDefaultsAndIsWrittenAnew) {
    // A store not read before in this process: Qt keeps the contents of stores it has read.
    ScratchFolder fresh;
    storeFolder = fresh.path("");
    writeBytes(fresh.path("VQD2Zavek.conf"), "[General\nFREQ=5\n");
    open();
    EXPECT_EQ(boxes(), defaults);
    box("txtSep")->setText("tab");
    testing::internal::CaptureStderr();
    click(button("cmdEnd"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    open();
    EXPECT_EQ(box("txtSep")->text(), "tab");
}

TEST_F(StartUp, UnwritableStoreIsReportedOnceOnStandardError) {
    Settings unwritable(qs(files.write("not-a-folder", "")));
    testing::internal::CaptureStderr();
    unwritable.save({});
    unwritable.save({});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("cannot write the settings"), std::string::npos) << err;
}

} // namespace
} // namespace vqd::test
