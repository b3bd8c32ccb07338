#pragma once
// What the command line prints: messages on standard error, progress on a terminal.

#include "text/messages.h"

#include <chrono>
#include <cstdint>
#include <string_view>

namespace vqd {

// "vqd2zavek-cli: error: TEXT" for a critical message, "vqd2zavek-cli: note: TEXT" for a notice,
// one line each: a message's further lines follow its first after ": ".
class StderrMessages : public Messages {
public:
    void critical(std::string_view text) override;
    void information(std::string_view text) override;
    bool anyCritical() const noexcept { return anyCritical_; }

private:
    bool anyCritical_ = false;
};

void printUsageError(std::string_view text);

// Shows the running record count on standard error when it is a terminal, a few times a second;
// silent otherwise.
class TerminalProgress {
public:
    TerminalProgress();
    ~TerminalProgress();
    void update(std::int64_t recordCount);

private:
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point nextPaint_;
};

} // namespace vqd
