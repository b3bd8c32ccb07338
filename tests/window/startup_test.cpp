#include "window_fixture.h"

#include <QSettings>

namespace vqd::test {
namespace {

class StartUp : public WindowTest {
protected:
    // Reopens the window on a store holding `entries`.
    void reopenWith(const std::vector<std::pair<QString, QString>>& entries) {
        window.reset();
        {
            QSettings stored(settings->fileName(), QSettings::IniFormat);
            for (const auto& [key, value] : entries)
                stored.setValue(key, value);
        }
        open();
    }
    std::vector<QString> boxes() const {
        return {box("txtSep")->text(), box("txtPerc(0)")->text(), box("txtPerc(1)")->text(),
                box("txtPerc(2)")->text()};
    }
};

TEST_F(StartUp, EmptyStoreGivesTheDefaults) {
    EXPECT_EQ(boxes(), (std::vector<QString>{";", "10", "90", "80"}));
    EXPECT_EQ(window->state().FilterIndex, 1);
    EXPECT_EQ(window->windowTitle(), "VQD ZAVEK Interchange program, version: 1,1");
    EXPECT_TRUE(window->state().ForwardPageActive);
    EXPECT_EQ(window->state().VarCount, 0);
    EXPECT_FALSE(button("cmdGo")->isEnabled());
    EXPECT_FALSE(button("cmdGo")->isDefault());
    EXPECT_FALSE(button("cmdGo2")->isEnabled());
    EXPECT_TRUE(label("lblVerslag")->text().isEmpty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(StartUp, FilledStoreFillsTheBoxesAsStored) {
    reopenWith({{"SEP", "tab"}, {"FREQ", "12"}, {"DOM1", ""}, {"DOM2", "75,5"}});
    EXPECT_EQ(boxes(), (std::vector<QString>{"tab", "12", "", "75,5"}));
    EXPECT_EQ(window->state().FieldSeparator, "\t");
}

TEST_F(StartUp, OnlyFilterOneOrTwoComesBack) {
    const std::pair<QString, int> cases[] = {{"2", 2},  {"1", 1},   {"3", 1}, {"0", 1},
                                             {"-2", 1}, {"two", 1}, {"", 1}};
    for (const auto& [stored, expected] : cases) {
        reopenWith({{"FILTERINDEX", stored}});
        EXPECT_EQ(window->state().FilterIndex, expected) << stored.toStdString();
    }
}

TEST_F(StartUp, ReadyButtonSavesTwiceTheCloseBoxOnce) {
    for (const char* ready : {"cmdEnd", "cmdReady2"}) {
        open();
        if (std::string(ready) == "cmdReady2") showPage(1);
        click(button(ready));
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(settings->saves, 2) << ready;
    }
    open();
    window->close();
    EXPECT_EQ(settings->saves, 1);
}

TEST_F(StartUp, EndingStoresTheBoxesAsTheyStandForTheNextRun) {
    type("txtSep", "tab");
    box("txtPerc(0)")->clear();
    box("txtPerc(1)")->setText(" 95 ");
    click(button("cmdEnd"));

    const std::string stored = readBytes(settings->fileName().toStdString());
    EXPECT_NE(stored.find("[General]"), std::string::npos) << stored;
    EXPECT_NE(stored.find("FILTERINDEX=1"), std::string::npos) << stored;

    open();
    EXPECT_EQ(boxes(), (std::vector<QString>{"tab", "", " 95 ", "80"}));
}

TEST_F(StartUp, UnwritableStoreIsReportedOnceOnStandardError) {
    const std::string notAFolder = files.write("file", "");
    CountingSettings unwritable(qs(notAFolder));
    testing::internal::CaptureStderr();
    unwritable.save({});
    unwritable.save({});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("cannot write the settings"), std::string::npos) << err;
}

TEST_F(StartUp, MalformedStoreGivesTheDefaults) {
    for (const char* malformed :
         {"a line without a key\n[General]\nFREQ=5\n", "[General\nFREQ=5\n"}) {
        // A store not read before in this process: Qt keeps the contents of stores it has read.
        ScratchFolder fresh;
        storeFolder = fresh.path("");
        writeBytes(fresh.path("VQD2Zavek.conf"), malformed);
        open();
        EXPECT_EQ(boxes(), (std::vector<QString>{";", "10", "90", "80"})) << malformed;

        // Ending writes a sound store again, without a complaint.
        box("txtSep")->setText("tab");
        testing::internal::CaptureStderr();
        click(button("cmdEnd"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        open();
        EXPECT_EQ(box("txtSep")->text(), "tab");
    }
}

} // namespace
} // namespace vqd::test
