#pragma once
// A status label that shows a run's record count as it goes.

#include <cstdint>
#include <functional>
#include <string_view>

class QLabel;

namespace vqd {

class ProgressLabel {
public:
    // Milliseconds from any fixed start: the steady clock, or a test's own.
    using Clock = std::function<std::int64_t()>;
    explicit ProgressLabel(QLabel* label, Clock clock = steadyMilliseconds);
    static std::int64_t steadyMilliseconds();

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
    Clock clock_;
    std::int64_t lastRepaint_ = 0;
    bool repainted_ = false;
};

} // namespace vqd
