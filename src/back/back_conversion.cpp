#include "back/back_conversion.h"

#include "back/separator.h"
#include "files/chunked_lines.h"
#include "files/file_access.h"
#include "files/line_reader.h"
#include "files/output_file.h"
#include "text/fields.h"
#include "text/line_building.h"
#include "text/numbers.h"

#include <map>
#include <new>
#include <optional>
#include <vector>

namespace vqd {

namespace {

// ZAVEK separates its fields with commas, whatever the template uses.
constexpr std::string_view zavekSeparator = ",";
constexpr std::string_view lineEnd = "\r\n";

// The number of fields of the first ZAVEK record; nothing, with a message shown, when the file
// cannot be read or holds no record at all.
std::optional<std::int64_t> firstRecordFieldCount(const std::string& path, Messages& messages) {
    LineReader reader;
    std::string_view line;
    const bool opened = reader.open(path);
    const bool gotLine = opened && reader.next(line);
    if (!reader.error().empty()) {
        messages.critical(cannotReadMessage(path, reader.error()));
        return std::nullopt;
    }
    if (!gotLine) {
        messages.critical("No records in file: " + files::messageName(path));
        return std::nullopt;
    }
    return countFields(line, zavekSeparator);
}

// The record field each chosen column of the model line shows, by the column's index.
using ColumnFields = std::map<std::size_t, std::size_t>;

// A result line is the model line with some of its columns replaced by record fields. The text
// between those fields, model values and separators, is the same on every line and joined once.
struct ResultLinePlan {
    struct Piece {
        std::string before;
        std::size_t field;     // the record field's index
        std::size_t count = 1; // consecutive fields in consecutive columns: a run of the line
    };
    std::vector<Piece> pieces;
    std::string tail; // after the last field, the line end included
    std::size_t fixedSize = 0;
};

ResultLinePlan planResultLine(std::string_view model, std::string_view separator,
                              const ColumnFields& columnFields) {
    ResultLinePlan plan;
    std::string text;
    text.reserve(model.size() + lineEnd.size()); // grown by doubling, it would hold twice that
    std::size_t column = 0;
    auto previous = columnFields.end(); // the choice of the column before
    for (const std::string_view value : LineFields(model, separator)) {
        const auto chosen = columnFields.find(column);
        if (chosen != columnFields.end() && previous != columnFields.end() &&
            chosen->second == previous->second + 1) {
            ++plan.pieces.back().count;
        } else {
            if (column > 0) text += separator;
            if (chosen == columnFields.end()) {
                text += value;
            } else {
                plan.fixedSize += text.size();
                plan.pieces.push_back({text, chosen->second});
                text.clear();
            }
        }
        previous = chosen;
        ++column;
    }
    plan.tail = std::move(text.append(lineEnd));
    plan.fixedSize += plan.tail.size();
    return plan;
}

// The template's header line as read, and the result line its model line makes: a model line of
// millions of fields is taken apart where it was read, never kept a field at a time.
struct TemplateLayout {
    std::string header;
    ResultLinePlan plan;
    std::vector<std::string> readingNotes;
};

std::optional<TemplateLayout> readTemplate(const std::string& path, std::string_view separator,
                                           const ColumnFields& columnFields, Messages& messages) {
    LineReader reader;
    TemplateLayout layout;
    std::string_view header;
    std::string_view model;
    try {
        if (reader.open(path) && reader.next(header)) {
            layout.header.assign(header);
            // A line of blanks is one empty model field; only an empty or missing line has none.
            if (reader.next(model) && !model.empty())
                layout.plan = planResultLine(model, separator, columnFields);
        }
    } catch (const std::bad_alloc& error) {
        messages.critical(conversionStoppedMessage(files::messageName(path), error));
        return std::nullopt;
    }
    if (!reader.error().empty()) {
        messages.critical(cannotReadMessage(path, reader.error()));
        return std::nullopt;
    }
    layout.readingNotes = reader.readingNotes(path);
    if (model.empty()) {
        messages.critical("No model line in template file: " + files::messageName(path));
        // Lines ended by a line feed alone are one line: the note says why there is no other.
        for (const auto& note : layout.readingNotes)
            messages.information(note);
        return std::nullopt;
    }
    return layout;
}

// Writes `run`, fields of the line read, joined by `separator`. When only ZAVEK's separator
// stands between them in the line, the run is copied in one piece and the separators replaced.
char* copyFieldRun(char* to, const std::string_view* run, std::size_t count,
                   std::string_view separator) noexcept {
    const char* const start = run[0].data();
    if (separator.size() == 1) {
        const char* const end = run[count - 1].data() + run[count - 1].size();
        copyShort(to, {start, static_cast<std::size_t>(end - start)});
        std::size_t i = 1;
        for (; i < count; ++i) {
            const char* const gap = run[i - 1].data() + run[i - 1].size();
            if (run[i].data() != gap + 1) break;
            to[gap - start] = separator[0];
        }
        if (i == count) return to + (end - start);
    }
    to = copyShort(to, run[0]);
    for (std::size_t i = 1; i < count; ++i) {
        to = copyShort(to, separator);
        to = copyShort(to, run[i]);
    }
    return to;
}

using ZavekFields = std::array<std::string_view, 12>;

// Writes the result line for one ZAVEK line at `to`, which has room for the plan's fixed text and
// the line, and returns the end. `fields` is room for the line's fields, kept from line to line:
// clearing a fresh array for every line costs more than the rest of the line.
char* writeResultLine(char* to, const ResultLinePlan& plan, std::string_view line,
                      std::size_t recordFields, std::string_view separator,
                      ZavekFields& fields) noexcept {
    // A variable's second field, its level, is taken apart but not carried over.
    takeFields(line, zavekSeparator, std::span(fields).first(recordFields));
    for (const auto& piece : plan.pieces) {
        // Mostly just the separator, stored without the length tests of a general copy.
        if (piece.before.size() == 1) {
            *to++ = piece.before[0];
        } else {
            to = copyShort(to, piece.before);
        }
        to = piece.count == 1 ? copyShort(to, fields[piece.field])
                              : copyFieldRun(to, &fields[piece.field], piece.count, separator);
    }
    return copyShort(to, plan.tail);
}

// Converts chunks of the ZAVEK file into result lines.
class BackChunk final : public ChunkConverter {
public:
    BackChunk(const ResultLinePlan& plan, std::size_t recordFields, std::string_view separator,
              AtomicOutputFile& out)
        : plan_(plan), recordFields_(recordFields), separator_(separator), out_(out) {}

    void convert(std::string_view lines) override {
        result_.clear();
        records_ = 0;
        std::string_view line;
        while (nextLineOfChunk(lines, line)) {
            ++records_;
            // The fields are parts of the line: with the constant text they bound the result line.
            char* const to = result_.room(plan_.fixedSize + line.size());
            result_.wrote(writeResultLine(to, plan_, line, recordFields_, separator_, fields_));
        }
    }

    bool deliver(std::int64_t& recordCount) override {
        out_.write(result_.text());
        result_.clear(); // a long model line's results go before the next chunk is read
        recordCount += records_;
        return out_.ok();
    }

private:
    const ResultLinePlan& plan_;
    std::size_t recordFields_;
    std::string_view separator_;
    AtomicOutputFile& out_;
    LineBuffer result_;
    ZavekFields fields_;
    std::int64_t records_ = 0;
};

} // namespace

BackConversionResult ConvertBack(const BackConversionRequest& request, Messages& messages,
                                 const BackConversionOptions& options) {
    BackConversionResult result;
    const auto fieldCount = firstRecordFieldCount(request.ZavekOutputFile, messages);
    if (!fieldCount) return result;
    // A record of v variables has 2v + 4 fields; an odd count rounds half to even.
    const std::int32_t varCount = wholeNumberClamped32((static_cast<double>(*fieldCount) - 4) / 2);
    if (varCount < 0 || varCount > 4) {
        // A blank after the colon whatever the sign: this count is often negative.
        messages.critical("Number of explanatory variables outside 0 to 4: " + countText(varCount) +
                          " (" + countText(*fieldCount) + " fields on the first line) in file: " +
                          files::messageName(request.ZavekOutputFile));
        return result;
    }

    // The columns that receive a record's kept fields, in record order: the variables' codes,
    // then value, frequency, status and the fourth cell field.
    std::array<std::int32_t, 8> targets{};
    std::size_t targetCount = 0;
    for (std::int32_t k = 0; k < varCount; ++k)
        targets[targetCount++] = request.Columns[ExplVar1 + static_cast<std::size_t>(k)];
    for (const auto cell : {CellValue, CellFrequency, CellStatus, CellDomPercentage})
        targets[targetCount++] = request.Columns[cell];

    // Every record writes the same targets, so a column shows either its model value for the
    // whole run or the field of the last target that writes it (a later target overwrites an
    // earlier one); a target beyond the model line has no place in any output line.
    ColumnFields columnFields;
    for (std::size_t t = 0; t < targetCount; ++t) {
        const auto field = t < static_cast<std::size_t>(varCount) ? 2 * t : varCount + t;
        if (targets[t] >= 1) columnFields[static_cast<std::size_t>(targets[t]) - 1] = field;
    }
    const auto separator = GetSeparator(request.TemplateFile, messages);
    if (separator.empty()) return result;
    auto layout = readTemplate(request.TemplateFile, separator, columnFields, messages);
    if (!layout) return result;
    const ResultLinePlan& plan = layout->plan;

    // The result may be neither the template nor ZAVEK's file: it would replace what it reads.
    const std::array<InputFile, 2> inputs{
        {{"template file", request.TemplateFile}, {"ZAVEK output file", request.ZavekOutputFile}}};
    OutputSet outputs;
    if (!outputs.create(std::span(&request.ResultFile, 1), inputs)) {
        messages.critical(outputs.failureMessage());
        return result;
    }
    AtomicOutputFile& out = outputs[0];
    out.writeLine(layout->header);
    std::string().swap(layout->header); // a header of millions of columns is not held on

    LineReader zavek;
    if (!zavek.open(request.ZavekOutputFile)) {
        messages.critical(cannotReadMessage(request.ZavekOutputFile, zavek.error()));
        return result;
    }
    const std::size_t recordFields = 2 * static_cast<std::size_t>(varCount) + 4;

    std::int64_t recordCount = 0;
    try {
        // Every result line has the model line's fixed text beside the record's fields.
        recordCount =
            convertInChunksBy<BackChunk>(zavek, options.chunkBytes, plan.fixedSize,
                                         options.progress, plan, recordFields, separator, out);
    } catch (const std::exception& error) {
        messages.critical(
            conversionStoppedMessage(files::messageName(request.ZavekOutputFile), error));
        return result;
    }
    if (!zavek.error().empty()) {
        messages.critical(cannotReadMessage(request.ZavekOutputFile, zavek.error()));
        return result;
    }
    zavek.close();
    if (!outputs.commit()) {
        messages.critical(outputs.failureMessage());
        return result;
    }
    if (options.finished) options.finished();
    for (const auto& note : layout->readingNotes)
        messages.information(note);
    for (const auto& note : zavek.readingNotes(request.ZavekOutputFile))
        messages.information(note);
    result.completed = true;
    result.recordCount = recordCount;
    return result;
}

} // namespace vqd
