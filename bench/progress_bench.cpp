// What the window's progress label costs a run: the conversions report the count after every
// chunk, and the label repaints at most about 25 times a second. Prints the time of a
// report that does not repaint, of one that does, and the share of a second's run they take.

#include "shell/progress_label.h"

#include <QApplication>
#include <QLabel>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

template <class Report> double secondsPerCall(int calls, Report report) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= calls; ++i)
        report(i);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls;
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QLabel label;
    label.show();
    vqd::ProgressLabel progress(&label);

    progress.showFinalCount(0);
    // Within the 40 ms after a repaint: only the clock is read.
    const double skipped = secondsPerCall(1000, [&](int i) { progress.showCount(i); });
    const double repainted = secondsPerCall(200, [&](int i) { progress.showFinalCount(i); });
    // At most 25 repaints a second, plus a report for every chunk of 128 KiB at 1 GB/s.
    const double share = 25 * repainted + 8000 * skipped;
    std::printf("progress label: report %.0f ns, repaint %.1f us; at most %.2f%% of a run\n",
                skipped * 1e9, repainted * 1e6, share * 100);
    return 0;
}
