#pragma once
// What the command line prints: messages on standard error, progress on a terminal, the result
// on standard output.

#include "text/messages.h"

#include <chrono>
#include <cstdint>
#include <string_view>

namespace vqd {

// "vqd2zavek-cli: error: TEXT" for a critical message, "vqd2zavek-cli: note: TEXT" for a notice,
// one line each: a message's further lines follow its first after ": ".
// While standard error is a terminal, a long run shows its record count and speed there on one
// line, which every message and the result replace; otherwise nothing but the messages.
class CliOutput : public Messages {
public:
    CliOutput();
    ~CliOutput() override;
    void critical(std::string_view text) override;
    void information(std::string_view text) override;
    void progress(std::int64_t recordCount);
    // The final line on standard output.
    void result(std::string_view text);

private:
    void clearProgress();

    bool terminal_;
    bool progressShown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point nextPaint_;
};

void printUsageError(std::string_view text);

} // namespace vqd
