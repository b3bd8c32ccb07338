// What the window's progress label costs a forward run: the label is told the count after each
// record, as the run does, for ten million records, and the time per record is printed.

#include "shell/progress_label.h"

#include <QApplication>
#include <QLabel>
#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QLabel label;
    label.show();
    vqd::ProgressLabel progress(&label);

    constexpr std::int64_t records = 10'000'000;
    const auto start = std::chrono::steady_clock::now();
    for (std::int64_t count = 1; count <= records; ++count)
        progress.showCount(count);
    progress.showFinalCount(records);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("progress label: %lld records in %.3f s, %.1f ns per record\n",
                static_cast<long long>(records), seconds, seconds * 1e9 / records);
    return 0;
}
