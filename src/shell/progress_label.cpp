#include "shell/progress_label.h"

#include "forward/writers.h"
#include "shell/text_bytes.h"

#include <QLabel>
#include <chrono>

namespace vqd {

namespace {

constexpr std::int64_t repaintIntervalMs = 40;

} // namespace

ProgressLabel::ProgressLabel(QLabel* label, Clock clock)
    : label_(label), clock_(std::move(clock)) {}

std::int64_t ProgressLabel::steadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ProgressLabel::showCount(std::int64_t recordCount) {
    if (repainted_ && clock_() - lastRepaint_ < repaintIntervalMs) return;
    showText(progressText(recordCount));
}

void ProgressLabel::showFinalCount(std::int64_t recordCount) {
    showText(progressText(recordCount));
}

void ProgressLabel::showText(std::string_view text) {
    label_->setText(textOf(text));
    label_->repaint();
    lastRepaint_ = clock_();
    repainted_ = true;
}

} // namespace vqd
