#include "app/cli.h"

#include "app/cli_back.h"
#include "app/cli_forward.h"
#include "app/cli_output.h"
#include "app/console.h"
#include "files/file_access.h"
#include "text/fields.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <new>
#include <span>
#include <sstream>

namespace vqd {

namespace {

// A value left out takes the next argument as its value: "--dim --names-first" would convert with
// a dimension of 0 and replace the user's files. An option's name standing on its own is never a
// value; attached (--total1=--total2), or after "--", which ends the options, it is one.
std::string optionTakenAsValue(const CLI::App& app, std::span<char* const> arguments) {
    const CLI::App* command = &app;
    for (std::size_t i = 1; i + 1 < arguments.size(); ++i) {
        const std::string argument = arguments[i];
        if (argument == "--") break;
        if (command == &app) {
            const auto named = app.get_subcommands(
                [&](const CLI::App* candidate) { return candidate->check_name(argument); });
            if (!named.empty()) command = named.front();
        }
        const CLI::Option* option = command->get_option_no_throw(argument);
        if (option == nullptr || !option->nonpositional() || option->get_items_expected_min() == 0)
            continue;
        const std::string value = arguments[++i];
        if (value.starts_with('-') && command->get_option_no_throw(value) != nullptr)
            return option->get_name() + ": its value is missing (" + value + " is an option)";
    }
    return {};
}

// An unknown option goes first: a misspelt option leaves the one meant unset, and "--dim is
// required" would send the user after the wrong fault.
std::string usageErrorText(const CLI::App& app, std::span<char* const> arguments,
                           const CLI::ParseError& error) {
    // An option taken as a value leaves its own value over, unknown.
    if (std::string text = optionTakenAsValue(app, arguments); !text.empty()) return text;
    std::vector<std::string> unknown = app.remaining();
    for (const CLI::App* command : app.get_subcommands()) {
        const auto left = command->remaining();
        unknown.insert(unknown.end(), left.begin(), left.end());
    }
    // The library lists them from the last back.
    std::reverse(unknown.begin(), unknown.end());
    return unknown.empty() ? error.what() : CLI::ExtrasError(unknown).what();
}

// A required option left blank is refused by the name the user typed, as the window's go buttons
// stay disabled until each is filled in. True when one was refused.
bool refusedBlankRequired(const CLI::App& command) {
    for (const CLI::Option* option : command.get_options()) {
        if (!option->get_required() || !trimBlanks(option->as<std::string>()).empty()) continue;
        printUsageError(option->get_name() + " is empty");
        return true;
    }
    return false;
}

} // namespace

int runCommandLine(int argc, char** argv) {
    CLI::App app{"VQD ZAVEK Interchange program: converts VQD cell files into ZAVEK's input files "
                 "and ZAVEK's output back into VQD files.",
                 "vqd2zavek-cli"};
    app.set_version_flag("--version", std::string("vqd2zavek-cli ") + VQD_VERSION);
    app.require_subcommand(1);

    ForwardCommand forward;
    forward.define(app);
    BackCommand back;
    back.define(app);
    // Set after the commands are defined, which would otherwise repeat it under their own help.
    // Scripts and schedulers decide by the exit status alone whether the files are there.
    app.footer(
        "Examples, in a folder holding the bundled examples:\n"
        "  vqd2zavek-cli forward cells.csv --dim 2 --names-first --hier1 region.hrc \\\n"
        "      --total1 NL --total2 Total\n"
        "  vqd2zavek-cli back --template template.csv --zavek cells.zavek.csv \\\n"
        "      --output cells.protected.csv --var1 Region --var2 Age --value Turnover \\\n"
        "      --freq 4 --status Flag\n"
        "\n"
        "Each command's options: vqd2zavek-cli forward --help, vqd2zavek-cli back --help.\n"
        "Messages go to standard error as \"vqd2zavek-cli: error: ...\" or \"vqd2zavek-cli: note: "
        "...\".\n"
        "\n"
        "Exit status:\n"
        "  0  done; notes may have been shown\n"
        "  1  stopped by a check or an error: nothing written or replaced\n"
        "  2  usage error: unknown option, missing value or unknown column");

    const std::span<char* const> arguments(argv, static_cast<std::size_t>(argc));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version come here too, to be printed with their exit status 0, on standard
        // output as the result of a run.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            std::ostringstream text;
            const int status = app.exit(e, text);
            console::write(stdout, text.str());
            return status;
        }
        // It may quote an argument, which arrived in the form of file names.
        printUsageError(files::messageName(usageErrorText(app, arguments, e)));
        return exitUsage;
    }
    if (const std::string error = optionTakenAsValue(app, arguments); !error.empty()) {
        printUsageError(files::messageName(error));
        return exitUsage;
    }
    for (const CLI::App* command : app.get_subcommands()) {
        if (refusedBlankRequired(*command)) return exitUsage;
    }
    CliOutput messages;
    try {
        if (forward.chosen()) return messages.finish(forward.run(messages));
        if (back.chosen()) return messages.finish(back.run(messages));
    } catch (const std::bad_alloc&) {
        // Outputs not yet in place are dropped as the run unwinds.
        messages.critical("Not enough memory to run this command");
        return messages.finish(exitStopped);
    }
    return exitUsage;
}

} // namespace vqd
