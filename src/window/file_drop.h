#pragma once
// Files dragged from the file manager onto a file-name box.

#include <QString>
#include <functional>

class QLineEdit;

namespace vqd {

// Lets `box` take one local file dropped on it: `take` receives its path, and decides what
// becomes of it as the box's "..." button would. Dragged text is still dropped as text. A
// disabled box, like its disabled button, takes nothing: Qt sends it no drags.
void acceptFileDrops(QLineEdit* box, std::function<void(const QString& path)> take);

} // namespace vqd
