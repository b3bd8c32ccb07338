#include "app/cli_output.h"

#include "app/cli.h"
#include "app/console.h"
#include "text/numbers.h"

#include <cstdio>
#include <string>

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
    console::write(stderr, line);
    std::fflush(stderr);
}

} // namespace

CliOutput::CliOutput()
    : terminal_(console::showsProgressLine()), start_(std::chrono::steady_clock::now()),
      nextPaint_(start_ + std::chrono::milliseconds(500)) {}

CliOutput::~CliOutput() {
    showHeld("note");
    clearProgress();
}

void CliOutput::critical(std::string_view text) {
    clearProgress();
    showHeld("note");
    printMessage("error", text);
    errorShown_ = true;
}

void CliOutput::information(std::string_view text) {
    held_.emplace_back(text);
}

void CliOutput::showHeld(std::string_view kind) {
    for (const auto& text : held_)
        printMessage(kind, text);
    held_.clear();
}

void CliOutput::result(std::string_view text) {
    clearProgress();
    showHeld("note");
    console::write(stdout, std::string(text) + "\n");
}

int CliOutput::finish(int status) {
    clearProgress();
    showHeld(status == exitStopped && !errorShown_ ? "error" : "note");
    return status;
}

void CliOutput::progress(std::int64_t recordCount) {
    // The conversions report after every chunk; a terminal line a few times a second is enough.
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextPaint_) return;
    nextPaint_ = now + std::chrono::milliseconds(250);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const auto perSecond = static_cast<std::int64_t>(static_cast<double>(recordCount) / seconds);
    const std::string text =
        "\r" + countText(recordCount) + " records, " + countText(perSecond) + " records/s\033[K";
    console::write(stderr, text);
    std::fflush(stderr);
    progressShown_ = true;
}

void CliOutput::clearProgress() {
    if (!progressShown_) return;
    console::write(stderr, "\r\033[K");
    progressShown_ = false;
}

void printUsageError(std::string_view text) {
    printMessage("error", text);
    console::write(stderr, "Run with --help for more information.\n");
}

} // namespace vqd
