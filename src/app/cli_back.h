#pragma once
// `vqd2zavek-cli back`: the three file names of page 2 and its nine destination lists.

#include "back/back_conversion.h"

#include <CLI/CLI.hpp>
#include <array>
#include <string>

namespace vqd {

class CliOutput;

class BackCommand {
public:
    // Adds the subcommand and its options to `app`.
    void define(CLI::App& app);
    bool chosen() const { return command_ != nullptr && command_->parsed(); }
    // Reads the template's header for the chosen columns, then runs the conversion; returns the
    // exit status.
    int run(CliOutput& messages);

private:
    CLI::App* command_ = nullptr;
    std::string template_;
    std::string zavek_;
    std::string output_;
    std::array<std::string, DestinationCount> columns_;
};

} // namespace vqd
