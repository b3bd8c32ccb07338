#include "shell/progress_label.h"

#include "forward/writers.h"
#include "shell/text_bytes.h"

#include <QLabel>

namespace vqd {

namespace {

constexpr qint64 repaintIntervalMs = 40;

} // namespace

void ProgressLabel::showCount(std::int64_t recordCount) {
    if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < repaintIntervalMs) return;
    showText(progressText(recordCount));
}

void ProgressLabel::showFinalCount(std::int64_t recordCount) {
    showText(progressText(recordCount));
}

void ProgressLabel::showText(std::string_view text) {
    label_->setText(textOf(text));
    label_->repaint();
    sinceRepaint_.start();
}

} // namespace vqd
