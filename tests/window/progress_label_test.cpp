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
    const std::pair<std::int64_t, const char*> steps[] = {
        {0, "37213 records processed"},  {39, "37213 records processed"},
        {40, "37215 records processed"}, {41, "37215 records processed"},
        {79, "37215 records processed"}, {80, "37218 records processed"}};
    std::int64_t count = 37213;
    for (const auto& [at, shown] : steps) {
        now = 1000 + at;
        progress.showCount(count);
        EXPECT_EQ(label.text().toStdString(), shown) << "at " << at << " ms";
        ++count;
    }
    progress.showFinalCount(40001);
    EXPECT_EQ(label.text(), "40001 records processed");
}

} // namespace
} // namespace vqd
