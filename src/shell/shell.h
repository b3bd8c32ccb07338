#pragma once
// The procedures that keep the window consistent, from start-up to EINDE, over the controls and
// the shared variables.

#include "shell/controls.h"
#include "shell/shell_state.h"
#include "text/messages.h"

class QLineEdit;
class QWidget;

namespace vqd {

class Settings;

class Shell {
public:
    // `controls` is read at each call, so the window may fill it in after constructing this.
    Shell(QWidget& window, const Controls& controls, Messages& messages, Settings& settings);

    // Shared variables from scratch, the stored settings into their boxes, the rules once, the
    // title.
    void startUp();

    // FieldSeparator from txtSep, VarCount from txtDim once the named file splits into fields,
    // the variable names from its first line on request, and cmdGo ready only with a file name
    // and a dimension.
    void OrganiseSize();

    // The variable rows follow VarCount, their two hierarchy options and the page; cmdGo2 follows
    // the three file names of page 2.
    void OrganiseEnable();

    // Saves the settings as they stand in the boxes and asks the window to close.
    void EINDE();

    ShellState& state() { return state_; }
    const ShellState& state() const { return state_; }

private:
    QWidget& window_;
    const Controls& c_;
    Messages& messages_;
    Settings& settings_;
    ShellState state_;
};

// Enables or disables a text box, white when enabled and grey when not.
void TXTEnable(QLineEdit* T, bool B);

} // namespace vqd
