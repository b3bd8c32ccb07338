#include "shell/progress_label.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace vqd {
namespace {

// The conversions report whatever count they have reached, a few dozen times a second: any count
// may show, but the label is painted at most once in 40 ms, except for the final count.
TEST(ProgressLabel, ShowsCountsAtMostEvery40MsAndAlwaysTheFinalOne) {
    QLabel label;
    std::int64_t now = 1000;
    ProgressLabel progress(&label, [&now] { return now; });
    // Milliseconds since the first count, and the count shown; a new count each time.
    const std::pair<std::int64_t, int> steps[] = {{0, 37213},  {39, 37213}, {40, 37215},
                                                  {41, 37215}, {79, 37215}, {80, 37218}};
    std::int64_t count = 37213;
    for (const auto& [at, shown] : steps) {
        now = 1000 + at;
        progress.showCount(count++);
        EXPECT_EQ(label.text(), QString("%1 records processed").arg(shown)) << "at " << at;
    }
    progress.showFinalCount(40001);
    EXPECT_EQ(label.text(), "40001 records processed");
}

} // namespace
} // namespace vqd
