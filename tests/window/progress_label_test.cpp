#include "shell/progress_label.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace vqd {
namespace {

// The conversions report whatever count they have reached, a few dozen times a second: any
// count must show, not only round ones.
TEST(ProgressLabel, ShowsTheCountsTheRunReports) {
    QLabel label;
    ProgressLabel progress(&label);
    progress.showCount(37213);
    EXPECT_EQ(label.text(), "37213 records processed");
    progress.showFinalCount(40001);
    EXPECT_EQ(label.text(), "40001 records processed");
}

} // namespace
} // namespace vqd
