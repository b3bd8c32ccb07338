#include "app/cli_output.h"

#include "app/cli.h"
#include "app/console.h"
#include "files/file_access.h"
#include "text/numbers.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace vqd {

namespace {

// Whether `stream` took everything written to it, errno telling why not. A write that an interrupt
// cut short, once the files stand, ends the program by that interrupt.
bool flushed(std::FILE* stream) {
    errno = 0;
    if (std::fflush(stream) == 0 && std::ferror(stream) == 0) return true;
    files::endByWaitingInterrupt();
    return false;
}

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
    flushed(stderr);
}

} // namespace

CliOutput::CliOutput()
    : terminal_(console::showsProgressLine()), start_(std::chrono::steady_clock::now()),
      nextPaint_(start_ + std::chrono::milliseconds(500)) {}

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

int closeStandardOutput(int status) {
    // Nothing pending once flushed: a closed standard output that was never written is no fault.
    if (flushed(stdout) && (std::fclose(stdout) == 0 || errno == EBADF)) return status;
    // A script that stopped reading has what it wanted.
    if (errno == EPIPE) return status;
    // The system's reason, where the failing write is known.
    printMessage("error", "Cannot write standard output" +
                              (errno != 0 ? "\n" + std::generic_category().message(errno) : ""));
    return exitStopped;
}

void printUsageError(std::string_view text) {
    printMessage("error", text);
    console::write(stderr, "Run with --help for more information.\n");
}

} // namespace vqd
