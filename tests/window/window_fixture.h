#pragma once
// A real main window offscreen, its settings store in a scratch folder and its boxes recorded.

#include "../support/test_support.h"
#include "shell/settings.h"
#include "window/dialogs.h"
#include "window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <optional>

namespace vqd::test {

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A dialog ends on the name and filter scripted for it, else cancels; the filters offered kept.
struct RecordingDialogs : Recording<Dialogs> {
    FileChoice chooseFile(const QString& filter, const QString& fileName,
                          std::int32_t filterIndex) override {
        offeredFilters << filter.section('|', 2 * filterIndex - 2, 2 * filterIndex - 2);
        return std::exchange(answer, {}).value_or(FileChoice{fileName, filterIndex});
    }
    std::optional<FileChoice> answer;
    QStringList offeredFilters;
};

// The texts a label is painted with, in order: what the user sees while a run holds the window.
struct PaintedTexts : QObject {
    explicit PaintedTexts(QLabel* label) { label->installEventFilter(this); }
    bool eventFilter(QObject* label, QEvent* event) override {
        if (event->type() == QEvent::Paint) texts << static_cast<QLabel*>(label)->text();
        return false;
    }
    QStringList texts;
};

class WindowTest : public testing::Test {
protected:
    void open() {
        settings = std::make_unique<Settings>(qs(storeFolder));
        window = std::make_unique<VQD2ZavekMain>(dialogs, *settings);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void SetUp() override { open(); }

    template <class Widget> Widget* find(const QString& name) const {
        auto* widget = window->findChild<Widget*>(name);
        if (!widget) ADD_FAILURE() << "no control " << name.toStdString();
        return widget;
    }
    QLineEdit* box(const QString& name) const { return find<QLineEdit>(name); }
    QCheckBox* check(const QString& name) const { return find<QCheckBox>(name); }
    QPushButton* button(const QString& name) const { return find<QPushButton>(name); }
    QLabel* label(const QString& name) const { return find<QLabel>(name); }
    QComboBox* cmbVars(int k) const { return find<QComboBox>(QString("cmbVars(%1)").arg(k)); }
    void showPage(int index) { find<QTabWidget>("VQDTab1")->setCurrentIndex(index); }

    void nameFile(const std::string& path, const QString& dimension) {
        box("txtVQDFileName")->setText(qs(path));
        box("txtDim")->setText(dimension);
    }
    void namePage2(const std::string& templateFile, const std::string& zavek,
                   const std::string& result) {
        showPage(1);
        box("txtVQDTemplateFile")->setText(qs(templateFile));
        box("txtZavekOutputFile")->setText(qs(zavek));
        box("txtResultFile")->setText(qs(result));
    }

    std::string cellFile(const std::string& name = "cells.csv") const {
        return files.write(name, test::cellFile({"NL;Total;1234,5;20;S;10"}));
    }

    ScratchFolder store;
    std::string storeFolder = store.path("");
    ScratchFolder files;
    RecordingDialogs dialogs;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<VQD2ZavekMain> window;
};

} // namespace vqd::test
