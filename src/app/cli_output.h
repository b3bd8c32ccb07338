#pragma once
// What the command line prints: messages on standard error, progress on a terminal, the result
// on standard output.

#include "text/messages.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vqd {

// "vqd2zavek-cli: error: TEXT" for a critical message, "vqd2zavek-cli: note: TEXT" for a notice,
// one line each: a message's further lines follow its first after ": ". Notices are held until the
// command ends: one after which the command stopped without an error of its own (an undecided
// template separator) is the reason it stopped, and is an error.
// While standard error is a terminal, a long run shows its record count and speed there on one
// line, which every message and the result replace; otherwise nothing but the messages.
class CliOutput : public Messages {
public:
    CliOutput();
    void critical(std::string_view text) override;
    void information(std::string_view text) override;
    void progress(std::int64_t recordCount);
    // The final line on standard output.
    void result(std::string_view text);
    // Ends every command: shows the notices held, as errors when `status` is a stop that no error
    // explained, and returns `status`.
    int finish(int status);

private:
    void clearProgress();
    void showHeld(std::string_view kind);

    bool terminal_;
    bool progressShown_ = false;
    bool errorShown_ = false;
    std::vector<std::string> held_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point nextPaint_;
};

void printUsageError(std::string_view text);

// Flushes and closes standard output at the end of a command that ended with `status`: exitStopped,
// with an error shown, when the output could not take it (a full disk, a closed output), as a
// file that could not be written; `status` otherwise.
int closeStandardOutput(int status);

} // namespace vqd
