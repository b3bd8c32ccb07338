#include "forward/forward_run.h"

#include "forward/cell_record.h"
#include "forward/writers.h"
#include "text/line_reader.h"
#include "text/numbers.h"
#include "text/output_file.h"

#include <array>

namespace vqd {

namespace {

struct OutputFiles {
    AtomicOutputFile tab, log, hst, rda;

    std::array<AtomicOutputFile*, 4> all() { return {&tab, &log, &hst, &rda}; }

    // The first file that failed, in the order they were opened.
    AtomicOutputFile* failed() {
        for (auto* file : all()) {
            if (!file->ok()) return file;
        }
        return nullptr;
    }
};

} // namespace

ForwardRunResult runForwardConversion(ForwardPageValues& page, Messages& messages,
                                      const ForwardRunOptions& options) {
    ForwardRunResult result;
    const auto checked = gatherRequest(page, messages);
    if (!checked) return result;
    const ConversionRequest& request = *checked;
    const auto report = [&](std::int64_t count) {
        if (options.progress) options.progress(count);
    };

    LineReader input;
    if (!input.open(request.InputFile)) {
        messages.critical(cannotReadMessage(request.InputFile, input.error()));
        return result;
    }
    OutputFiles out;
    if (!out.tab.create(request.InputFile + ".tab") ||
        !out.log.create(request.InputFile + ".log") ||
        !out.hst.create(request.InputFile + ".hst")) {
        messages.critical(out.failed()->failureMessage());
        return result;
    }

    std::string logLines;
    appendLogHead(logLines, request,
                  options.dateTime.empty() ? localDateTimeNow() : options.dateTime);
    out.log.write(logLines);

    std::string_view line;
    if (request.NamesInFirstLine) input.next(line);

    std::int64_t recordCount = 0;
    TotalsFound found{};
    CellRecord record;
    while (input.next(line)) {
        ++recordCount;
        report(recordCount);
        if (!ReadCellRecord(line, request, found, record)) {
            messages.critical("Number out of range in line" + messageNumber(recordCount) + ": " +
                              std::string(record.OutOfRangeText));
            return result;
        }
        if (record.IllegalDomPercentage || record.IllegalProtectionLevel) {
            logLines.clear();
            appendSuspectLogLines(logLines, record, request, recordCount);
            out.log.write(logLines);
        }
        const auto bound = recordLinesBound(line, request);
        const auto end = writeRecordLines(out.tab.room(bound), out.hst.room(bound), record, request);
        out.tab.wrote(end.data);
        out.hst.wrote(end.history);
        if (!out.tab.ok() || !out.hst.ok() || !out.log.ok()) break;
    }
    if (!input.error().empty()) {
        messages.critical(cannotReadMessage(request.InputFile, input.error()));
        return result;
    }
    input.close();
    out.tab.finish();
    out.hst.finish();
    if (auto* failedFile = out.failed()) {
        messages.critical(failedFile->failureMessage());
        return result;
    }

    for (std::int32_t i = 0; i < request.VarCount; ++i) {
        if (found[static_cast<std::size_t>(i)]) continue;
        const VariableSpec& variable = request.Variables[static_cast<std::size_t>(i)];
        messages.information("No record with totalcode (" + variable.TotCode +
                             ") found for variable: " + variable.VarName);
    }

    if (out.rda.create(request.InputFile + ".rda")) {
        std::string metadata;
        appendMetadata(metadata, request);
        out.rda.write(metadata);
        out.rda.finish();
    }
    logLines.clear();
    appendLogClosing(logLines, recordCount);
    out.log.write(logLines);
    out.log.finish();
    if (auto* failedFile = out.failed()) {
        messages.critical(failedFile->failureMessage());
        return result;
    }

    // Only now are earlier outputs replaced, all four together.
    for (auto* file : {&out.rda, &out.tab, &out.hst, &out.log}) {
        if (!file->commit()) {
            messages.critical(file->failureMessage());
            return result;
        }
    }
    report(recordCount);
    result.completed = true;
    result.recordCount = recordCount;
    return result;
}

} // namespace vqd
