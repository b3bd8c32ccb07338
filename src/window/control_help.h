#pragma once
// What each control of the window is for, shown as its tooltip: what to enter and what it affects.
// Captions and texts on the controls themselves stay as they are.

class QWidget;

namespace vqd {

// Gives every input control and button of `window`, and the caption beside it, its tooltip.
void explainControls(QWidget& window);

} // namespace vqd
