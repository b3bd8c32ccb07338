#include "app/cli_output.h"

#include "text/numbers.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace vqd {

namespace {

void printMessage(std::string_view kind, std::string_view text) {
    std::string line = "vqd2zavek-cli: ";
    line += kind;
    line += ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' || text[i] == '\r') {
            line += ": ";
        } else {
            line += text[i];
        }
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace

void StderrMessages::critical(std::string_view text) {
    anyCritical_ = true;
    printMessage("error", text);
}

void StderrMessages::information(std::string_view text) {
    printMessage("note", text);
}

void printUsageError(std::string_view text) {
    printMessage("error", text);
    std::fputs("Run with --help for more information.\n", stderr);
}

TerminalProgress::TerminalProgress()
    : enabled_(isatty(STDERR_FILENO) != 0), start_(std::chrono::steady_clock::now()),
      nextPaint_(start_ + std::chrono::milliseconds(500)) {}

TerminalProgress::~TerminalProgress() {
    if (shown_) std::fputs("\r\033[K", stderr);
}

void TerminalProgress::update(std::int64_t recordCount) {
    // Reading the clock for every record would cost more than the record itself.
    if (!enabled_ || (recordCount & 0xFFF) != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextPaint_) return;
    nextPaint_ = now + std::chrono::milliseconds(250);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const auto perSecond = static_cast<std::int64_t>(static_cast<double>(recordCount) / seconds);
    const std::string text =
        "\r" + countText(recordCount) + " records, " + countText(perSecond) + " records/s\033[K";
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

} // namespace vqd
