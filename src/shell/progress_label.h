#pragma once
// A status label that shows a run's record count as it goes.

#include <QElapsedTimer>
#include <cstdint>
#include <string_view>

class QLabel;

namespace vqd {

class ProgressLabel {
public:
    explicit ProgressLabel(QLabel* label) : label_(label) {}

    // The progress text for `recordCount`, repainted at most about 25 times a second: a run over
    // millions of records must not spend its time painting. The conversions report after every
    // chunk they convert, thousands of times a second.
    void showCount(std::int64_t recordCount);

    // The progress text for the final count, always repainted.
    void showFinalCount(std::int64_t recordCount);

    // `text`, repainted at once.
    void showText(std::string_view text);

private:
    QLabel* label_;
    QElapsedTimer sinceRepaint_;
};

} // namespace vqd
