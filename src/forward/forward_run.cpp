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

    appendLogHead(out.log.buffer(), request,
                  options.dateTime.empty() ? localDateTimeNow() : options.dateTime);

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
        appendSuspectLogLines(out.log.buffer(), record, request, recordCount);
        appendDataLine(out.tab.buffer(), record, request);
        if (record.Status == 'U') appendHistoryLines(out.hst.buffer(), record, request);
        out.tab.flushIfFull();
        out.hst.flushIfFull();
        out.log.flushIfFull();
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
        appendMetadata(out.rda.buffer(), request);
        out.rda.finish();
    }
    appendLogClosing(out.log.buffer(), recordCount);
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
