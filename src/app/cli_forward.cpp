#include "app/cli_forward.h"

#include "app/cli.h"
#include "app/cli_output.h"
#include "files/file_access.h"
#include "forward/forward_run.h"
#include "forward/writers.h"
#include "shell/inspection.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <cstdio>

namespace vqd {

void ForwardCommand::define(CLI::App& app) {
    command_ = app.add_subcommand("forward", "Convert a VQD cell file into ZAVEK's input files "
                                             "(INPUT.rda, .tab, .hst and .log beside INPUT)");
    command_->add_option("INPUT", input_, "The VQD cell file")->required();
    command_->add_option("--dim", dim_, "Number of explanatory variables, 0 to 4")->required();
    command_->add_option("--sep", sep_, "Field separator of INPUT; TAB for the tab character")
        ->capture_default_str();
    command_->add_flag("--names-first", namesFirst_,
                       "The first line holds variable names; it is skipped, and names not given "
                       "with --nameK are taken from it");
    command_->add_option("--freq", freq_, "Frequency protection percentage")->capture_default_str();
    command_->add_option("--dom1", dom1_, "Dominance percentage for cells flagged B")
        ->capture_default_str();
    command_->add_option("--dom2", dom2_, "Dominance percentage for cells flagged C")
        ->capture_default_str();
    for (std::size_t k = 1; k <= 4; ++k) {
        const auto K = std::to_string(k);
        nameOptions_[k - 1] =
            command_->add_option("--name" + K, names_[k - 1], "Name of explanatory variable " + K);
        command_->add_option("--total" + K, totals_[k - 1], "Total code of variable " + K);
        hierOptions_[k - 1] = command_->add_option("--hier" + K, hierFiles_[k - 1],
                                                   "Hierarchy code-list file of variable " + K);
        levelsOptions_[k - 1] = command_->add_option(
            "--levels" + K, levels_[k - 1], "Hierarchy level specification of variable " + K);
    }
}

int ForwardCommand::run(CliOutput& messages) {
    // Arguments arrive in the form of file names; the other texts are compared with the input's
    // codes or written into the outputs.
    for (std::string* text : {&dim_, &sep_, &freq_, &dom1_, &dom2_})
        *text = files::codePageText(*text);
    for (auto* texts : {&names_, &totals_, &levels_}) {
        for (std::string& text : *texts)
            text = files::codePageText(text);
    }

    ForwardPageValues page;
    page.txtVQDFileName = input_;
    page.chkVarNamesInFirst = namesFirst_;
    page.FieldSeparator = separatorFromText(sep_);
    page.txtPerc = {freq_, dom1_, dom2_};

    const std::int32_t dimension = wholeNumberClamped32(numericValue(dim_));
    const auto found = inspectInput(input_, page.FieldSeparator, dimension, namesFirst_, messages);
    if (found.verdict != InputVerdict::Splits) return exitStopped;
    page.VarCount = dimension;

    for (std::size_t i = 0; i < 4; ++i) {
        VariableSpec& row = page.rows[i];
        row.VarName =
            nameOptions_[i]->count() > 0 || i >= found.names.size() ? names_[i] : found.names[i];
        row.TotCode = totals_[i];
        row.HierCodeList = hierOptions_[i]->count() > 0;
        row.HierFile = hierFiles_[i];
        row.HierLevels = levelsOptions_[i]->count() > 0;
        row.LevelsSpec = levels_[i];
    }

    ForwardRunOptions options;
    options.progress = [&messages](std::int64_t count) { messages.progress(count); };
    const auto result = runForwardConversion(page, messages, options);
    if (!result.completed) return exitStopped;
    messages.result(progressText(result.recordCount));
    return exitDone;
}

} // namespace vqd
