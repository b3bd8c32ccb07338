#pragma once
// `vqd2zavek-cli forward`: each option is one control of page 1, with its text as typed.

#include <CLI/CLI.hpp>
#include <array>
#include <string>

namespace vqd {

class CliOutput;

class ForwardCommand {
public:
    // Adds the subcommand and its options to `app`.
    void define(CLI::App& app);
    bool chosen() const { return command_ != nullptr && command_->parsed(); }
    // Inspects the input as the window does, then runs the conversion; returns the exit status.
    int run(CliOutput& messages);

private:
    CLI::App* command_ = nullptr;
    std::string input_;
    std::string dim_;
    std::string sep_ = ";";
    bool namesFirst_ = false;
    std::string freq_ = "10", dom1_ = "90", dom2_ = "80";
    std::array<std::string, 4> names_, totals_, hierFiles_, levels_;
    std::array<CLI::Option*, 4> nameOptions_{}, hierOptions_{}, levelsOptions_{};
};

} // namespace vqd
