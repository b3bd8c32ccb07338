#include "forward/forward_run.h"

#include "files/chunked_lines.h"
#include "files/file_access.h"
#include "files/line_reader.h"
#include "files/output_file.h"
#include "forward/cell_record.h"
#include "forward/writers.h"
#include "text/line_building.h"
#include "text/numbers.h"

#include <array>
#include <utility>
#include <vector>

namespace vqd {

namespace {

// The four outputs, put in place together.
struct OutputFiles {
    OutputSet set;
    AtomicOutputFile& tab() { return set[0]; }
    AtomicOutputFile& log() { return set[1]; }
    AtomicOutputFile& hst() { return set[2]; }
    AtomicOutputFile& rda() { return set[3]; }
};

// Converts chunks of the cell file. The data and history lines go to the files as they
// are; a suspect record's log lines, which carry its number in the file, are made when the chunk
// is handed on and the records before it are counted.
class ForwardChunk final : public ChunkConverter {
public:
    ForwardChunk(const ConversionRequest& request, OutputFiles& out, TotalsFound& found,
                 std::string& stopMessage)
        : request_(request), out_(out), found_(found), stopMessage_(stopMessage) {}

    // The lines of the chunk before were cleared as they were handed on.
    void convert(std::string_view lines) override {
        suspects_.clear();
        records_ = 0;
        std::string_view line;
        while (nextLineOfChunk(lines, line)) {
            ++records_;
            // The record keeps the number's text, and the chunk stops there.
            if (!ReadCellRecord(line, request_, foundHere_, record_)) return;
            if (record_.IllegalDomPercentage || record_.IllegalProtectionLevel)
                suspects_.push_back({records_, record_});
            const auto bound = recordLinesBound(line, request_);
            const auto end =
                writeRecordLines(data_.room(bound), history_.room(bound), record_, request_);
            data_.wrote(end.data);
            history_.wrote(end.history);
        }
    }

    bool deliver(std::int64_t& recordCount) override {
        if (!record_.OutOfRangeText.empty()) {
            stopMessage_ = "Number out of range in line" + messageNumber(recordCount + records_) +
                           ": " + messageValue(record_.OutOfRangeText);
            return false;
        }
        out_.tab().write(data_.text());
        out_.hst().write(history_.text());
        data_.clear(); // a long line's results go before the next chunk is read
        history_.clear();
        logLines_.clear();
        for (const auto& [number, record] : suspects_)
            appendSuspectLogLines(logLines_, record, request_, recordCount + number);
        out_.log().write(logLines_);
        for (std::size_t i = 0; i < found_.size(); ++i)
            found_[i] = found_[i] || foundHere_[i];
        recordCount += records_;
        return out_.set.ok();
    }

private:
    const ConversionRequest& request_;
    OutputFiles& out_;
    TotalsFound& found_;
    std::string& stopMessage_;

    TotalsFound foundHere_{};
    CellRecord record_;
    LineBuffer data_, history_;
    // Views into the chunk, which stays until it is handed on.
    std::vector<std::pair<std::int64_t, CellRecord>> suspects_;
    std::string logLines_;
    std::int64_t records_ = 0;
};

} // namespace

ForwardRunResult runForwardConversion(ForwardPageValues& page, Messages& messages,
                                      const ForwardRunOptions& options) {
    ForwardRunResult result;
    const auto checked = gatherRequest(page, messages, options.leadStringFound);
    if (!checked) return result;
    const ConversionRequest& request = *checked;

    LineReader input;
    if (!input.open(request.InputFile)) {
        messages.critical(cannotReadMessage(request.InputFile, input.error()));
        return result;
    }
    // No output may be one of the files the run reads.
    std::vector<std::string> roles;
    std::vector<InputFile> inputs{{"input file", request.InputFile}};
    roles.reserve(request.Variables.size()); // the inputs view the roles
    for (std::size_t i = 0; i < request.Variables.size(); ++i) {
        if (!request.Variables[i].HierCodeList) continue;
        roles.push_back("hierarchy file of var" + messageNumber(static_cast<std::int64_t>(i + 1)));
        inputs.push_back({roles.back(), request.Variables[i].HierFile});
    }
    const std::array<std::string, 4> paths{request.InputFile + ".tab", request.InputFile + ".log",
                                           request.InputFile + ".hst", request.InputFile + ".rda"};
    OutputFiles out;
    if (!out.set.create(paths, inputs)) {
        messages.critical(out.set.failureMessage());
        return result;
    }

    std::string logLines;
    appendLogHead(logLines, request, localDateTimeNow());
    out.log().write(logLines);

    std::string_view line;
    if (request.NamesInFirstLine) input.next(line);

    TotalsFound found{};
    std::string stopMessage;
    std::int64_t recordCount = 0;
    try {
        // A record's lines are at most twice its line and a few numbers long.
        recordCount = convertInChunksBy<ForwardChunk>(
            input, options.chunkBytes, 0, options.progress, request, out, found, stopMessage);
    } catch (const std::exception& error) {
        messages.critical(conversionStoppedMessage(files::messageName(request.InputFile), error));
        return result;
    }
    if (!stopMessage.empty()) {
        messages.critical(stopMessage);
        return result;
    }
    if (!input.error().empty()) {
        messages.critical(cannotReadMessage(request.InputFile, input.error()));
        return result;
    }
    input.close();
    if (!out.set.ok()) {
        messages.critical(out.set.failureMessage());
        return result;
    }
    if (options.counted) options.counted(recordCount);

    for (std::int32_t i = 0; i < request.VarCount; ++i) {
        if (found[static_cast<std::size_t>(i)]) continue;
        const VariableSpec& variable = request.Variables[static_cast<std::size_t>(i)];
        // The code and the name as entered: the user looks for them in the table.
        messages.information("No record with totalcode (" + messageText(variable.TotCode) +
                             ") found for variable: " + messageText(variable.VarName));
    }

    std::string metadata;
    appendMetadata(metadata, request);
    out.rda().write(metadata);
    logLines.clear();
    appendLogClosing(logLines, recordCount);
    out.log().write(logLines);
    // Only now are earlier outputs replaced, all four together.
    if (!out.set.commit()) {
        messages.critical(out.set.failureMessage());
        return result;
    }
    for (const auto& note : request.ReadingNotes)
        messages.information(note);
    for (const auto& note : input.readingNotes(request.InputFile))
        messages.information(note);
    result.completed = true;
    result.recordCount = recordCount;
    return result;
}

} // namespace vqd
