// Saves both pages of the window as PNG pictures into the folder named on the command line: page 1
// after converting a copy of the bundled example, a closed row still holding its texts (once more
// with a tooltip showing), page 2 after converting it back, the template's columns chosen as
// destinations.

#include "shell/settings.h"
#include "window/dialogs.h"
#include "window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// No box pops up while the pictures are made; a message means the example went wrong.
class CollectingDialogs : public vqd::Dialogs {
public:
    void critical(std::string_view text) override { shown.emplace_back(text); }
    void information(std::string_view text) override { shown.emplace_back(text); }
    vqd::FileChoice chooseFile(const QString&, const QString& fileName,
                               std::int32_t filterIndex) override {
        return {fileName, filterIndex};
    }
    std::vector<std::string> shown;
};

// The window with the tooltip of one control showing, as the mouse resting on it would show it.
bool saveWithTooltip(QWidget& window, const char* control, const QString& path) {
    auto* target = window.findChild<QWidget*>(control);
    const QPoint at = target->mapToGlobal(QPoint(target->width() / 2, target->height()));
    QToolTip::showText(at, target->toolTip(), target);
    QApplication::processEvents();
    QPixmap picture = window.grab();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel") && top->isVisible()) {
            QPainter painter(&picture);
            painter.drawPixmap(window.mapFromGlobal(top->pos()), top->grab());
        }
    }
    QToolTip::hideText();
    return picture.save(path);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fputs("usage: window-screenshots EXAMPLES_FOLDER OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString output = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    // Short names in the pictures: the copy's folder is the current one.
    QTemporaryDir work;
    for (const char* name : {"cells.csv", "region.hrc", "template.csv", "cells.zavek.csv"})
        QFile::copy(QString::fromLocal8Bit(argv[1]) + "/" + name, work.filePath(name));
    QDir::setCurrent(work.path());

    QTemporaryDir store;
    vqd::Settings settings(store.path());
    CollectingDialogs dialogs;
    vqd::VQD2ZavekMain window(dialogs, settings);
    window.show();
    QApplication::processEvents();

    window.findChild<QLineEdit*>("txtVQDFileName")->setText("cells.csv");
    // A third variable begun and given up again: its closed row keeps what was typed.
    window.findChild<QLineEdit*>("txtDim")->setText("3");
    window.findChild<QLineEdit*>("txtVarName(2)")->setText("Sex");
    window.findChild<QLineEdit*>("txtTotCode(2)")->setText("T");
    window.findChild<QLineEdit*>("txtDim")->setText("2");
    window.findChild<QCheckBox*>("chkVarNamesInFirst")->click();
    window.findChild<QCheckBox*>("chkHierch(0)")->click();
    window.findChild<QLineEdit*>("txtHierFile(0)")->setText("region.hrc");
    window.findChild<QLineEdit*>("txtTotCode(0)")->setText("NL");
    window.findChild<QLineEdit*>("txtTotCode(1)")->setText("Total");
    window.findChild<QPushButton*>("cmdGo")->click();
    QApplication::processEvents();
    // The whole client area, also where the offscreen screen is too small and the window scrolls.
    QWidget& client = *window.findChild<QWidget*>("body");
    bool saved = client.grab().save(output + "/window-forward.png");
    saved = saveWithTooltip(client, "txtDim", output + "/window-tooltip.png") && saved;

    window.findChild<QTabWidget*>("VQDTab1")->setCurrentIndex(1);
    window.findChild<QLineEdit*>("txtVQDTemplateFile")->setText("template.csv");
    window.findChild<QLineEdit*>("txtZavekOutputFile")->setText("cells.zavek.csv");
    window.findChild<QLineEdit*>("txtResultFile")->setText("cells.protected.csv");
    // The destinations of the bundled example's back conversion, among the template's columns.
    const std::pair<int, const char*> destinations[] = {
        {0, "Turnover"}, {1, "Enterprises"}, {2, "Flag"}, {5, "Region"}, {6, "Age"}};
    for (const auto& [k, column] : destinations) {
        auto* list = window.findChild<QComboBox*>(QStringLiteral("cmbVars(%1)").arg(k));
        list->setCurrentIndex(list->findText(column));
    }
    window.findChild<QPushButton*>("cmdGo2")->click();
    QApplication::processEvents();
    saved = client.grab().save(output + "/window-back.png") && saved;
    for (const std::string& message : dialogs.shown)
        std::fprintf(stderr, "message: %s\n", message.c_str());
    return saved && dialogs.shown.empty() ? 0 : 1;
}
