#include "shell/settings.h"
#include "shell/shell.h"

#include <QLineEdit>
#include <QWidget>

namespace vqd {

Shell::Shell(QWidget& window, const Controls& controls, Messages& messages, Settings& settings)
    : window_(window), c_(controls), messages_(messages), settings_(settings) {}

void Shell::startUp() {
    state_.ForwardPageActive = true;
    state_.VarCount = 0;
    state_.FilterIndex = 1;
    const SettingsValues stored = settings_.load();
    state_.FilterIndex = stored.FilterIndex;
    // Ordinary changes of the boxes: a separator that differs from the window's runs its rule.
    c_.txtSep->setText(stored.SEP);
    c_.txtPerc[1]->setText(stored.DOM1);
    c_.txtPerc[2]->setText(stored.DOM2);
    c_.txtPerc[0]->setText(stored.FREQ);
    OrganiseSize();
    OrganiseEnable();
    window_.setWindowTitle(QStringLiteral("VQD ZAVEK Interchange program, version: ") +
                           QStringLiteral("1,1"));
}

void Shell::EINDE() {
    SettingsValues values;
    values.FilterIndex = state_.FilterIndex;
    values.SEP = c_.txtSep->text();
    values.DOM1 = c_.txtPerc[1]->text();
    values.DOM2 = c_.txtPerc[2]->text();
    values.FREQ = c_.txtPerc[0]->text();
    settings_.save(values);
    // Inside the window's own closing this request has no further effect.
    window_.close();
}

} // namespace vqd
