#include "app/cli_back.h"

#include "app/cli.h"
#include "app/cli_output.h"
#include "back/inspection.h"
#include "files/file_access.h"
#include "text/numbers.h"

#include <charconv>
#include <cstdio>
#include <optional>

namespace vqd {

namespace {

struct DestinationOption {
    const char* name;
    const char* caption;
};

// In the order of the Destination indices.
constexpr std::array<DestinationOption, DestinationCount> destinationOptions{{
    {"--value", "Cell Value"},
    {"--freq", "Cell Frequency"},
    {"--status", "Cell Status"},
    {"--dom", "Cell Dom Percentage (the fourth cell field of a ZAVEK record)"},
    {"--top2", "Cell Top2 Percentage (ZAVEK has no such field: the column keeps its model value)"},
    {"--var1", "Expl. Var 1"},
    {"--var2", "Expl. Var 2"},
    {"--var3", "Expl. Var 3"},
    {"--var4", "Expl. Var 4"},
}};

bool isColumnNumber(const std::string& col) {
    return !col.empty() && col.find_first_not_of("0123456789") == std::string::npos;
}

// The list index that COL selects: 0 for "none", k for column k given by its number or by the
// text of its first header field of that name; nothing when the header has no such column.
std::optional<std::int32_t> columnChoice(const std::string& col, const TemplateHeader& header) {
    if (col == "none") return 0;
    if (isColumnNumber(col)) {
        std::uint64_t k = 0;
        const auto [end, error] = std::from_chars(col.data(), col.data() + col.size(), k);
        const auto columns = static_cast<std::uint64_t>(header.columnCount());
        if (error != std::errc() || k < 1 || k > columns) return std::nullopt;
        return static_cast<std::int32_t>(k);
    }
    std::int32_t k = 1;
    for (const std::string_view field : header.fields()) {
        if (field == col) return k;
        ++k;
    }
    return std::nullopt;
}

std::string unknownColumnText(std::string_view option, const std::string& col,
                              std::int64_t columnCount, const std::string& templatePath) {
    std::string text(option);
    if (isColumnNumber(col)) {
        text += ": no column " + col + " in the header line of " +
                files::messageName(templatePath) + ", which has " + countText(columnCount) +
                (columnCount == 1 ? " column" : " columns");
    } else {
        text += ": no column named \"" + messageValue(col) + "\" in the header line of " +
                files::messageName(templatePath);
    }
    return text;
}

} // namespace

void BackCommand::define(CLI::App& app) {
    command_ = app.add_subcommand(
        "back", "Convert ZAVEK's output back into a VQD file laid out like a template: its header "
                "line, then per ZAVEK record a copy of the template's model line whose chosen "
                "columns hold the record's fields");
    command_->footer("COL is none (the default), a column number of the template's header line, or "
                     "the text of one of its fields (the first such field).");
    command_->add_option("--template", template_, "The VQD template file")->required();
    command_->add_option("--zavek", zavek_, "The output file that ZAVEK wrote")->required();
    command_->add_option("--output", output_, "The VQD file to write (replaced if it exists)")
        ->required();
    for (std::size_t i = 0; i < DestinationCount; ++i) {
        columns_[i] = "none";
        command_->add_option(destinationOptions[i].name, columns_[i], destinationOptions[i].caption)
            ->option_text("COL");
    }
}

int BackCommand::run(CliOutput& messages) {
    // Column names arrive in the form of file names; they are compared with the template's header.
    for (std::string& col : columns_)
        col = files::codePageText(col);

    BackConversionRequest request;
    request.TemplateFile = template_;
    request.ZavekOutputFile = zavek_;
    request.ResultFile = output_;
    {
        // The same header fields the window offers in its lists, let go before the conversion.
        std::vector<std::string> notes;
        const auto header = templateHeader(template_, messages, &notes);
        if (!header) return exitStopped;
        for (std::size_t i = 0; i < DestinationCount; ++i) {
            const auto choice = columnChoice(columns_[i], *header);
            if (!choice) {
                printUsageError(unknownColumnText(destinationOptions[i].name, columns_[i],
                                                  header->columnCount(), template_));
                // A byte-order mark in the first name, or one line read as the whole file, is why.
                for (const auto& note : notes)
                    messages.information(note);
                return exitUsage;
            }
            request.Columns[i] = *choice;
        }
    }

    BackConversionOptions options;
    options.progress = [&messages](std::int64_t count) { messages.progress(count); };
    if (!ConvertBack(request, messages, options).completed) return exitStopped;
    messages.result("ready");
    return exitDone;
}

} // namespace vqd
