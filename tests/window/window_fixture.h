#pragma once
// A real main window on the offscreen platform, its settings store in a scratch folder and its
// boxes recorded, with lookups of its controls by name.

#include "../support/test_support.h"
#include "recording_dialogs.h"
#include "shell/settings.h"
#include "window/main_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace vqd::test {

// A settings store that counts its saves.
class CountingSettings : public Settings {
public:
    using Settings::Settings;
    void save(const SettingsValues& values) override {
        ++saves;
        Settings::save(values);
    }
    int saves = 0;
};

class WindowTest : public testing::Test {
protected:
    // Opens the window on the store as it stands; a test may fill the store first.
    void open() {
        settings = std::make_unique<CountingSettings>(QString::fromStdString(storeFolder));
        window = std::make_unique<VQD2ZavekMain>(dialogs, *settings);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void SetUp() override { open(); }

    template <class Widget> Widget* find(const char* name) const {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
        if (!widget) ADD_FAILURE() << "no control " << name;
        return widget;
    }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    QCheckBox* check(const char* name) const { return find<QCheckBox>(name); }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    QLabel* label(const char* name) const { return find<QLabel>(name); }

    void type(const char* name, const QString& text) {
        box(name)->clear();
        QTest::keyClicks(box(name), text);
    }
    void click(QAbstractButton* control) { QTest::mouseClick(control, Qt::LeftButton); }
    void showPage(int index) { find<QTabWidget>("VQDTab1")->setCurrentIndex(index); }

    // A cell file whose lines hold two explanatory codes; its first line names the columns.
    std::string cellFile(const std::string& name = "cells.csv") const {
        return files.write(name,
                           crlfLines({"Region;Age;Value;Freq;Flag;Dom", "NL;Total;1234,5;20;S;10",
                                      "GR;0-14;120,5;3;A;0", "GR;65+;-12,5;1;b;50"}));
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : dialogs.shown)
            texts.push_back(message.text);
        return texts;
    }

    ScratchFolder store;
    std::string storeFolder = store.path("");
    ScratchFolder files;
    RecordingDialogs dialogs;
    std::unique_ptr<CountingSettings> settings;
    std::unique_ptr<VQD2ZavekMain> window;
};

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace vqd::test
