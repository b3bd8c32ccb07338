#include "back/back_conversion.h"

#include "back/separator.h"
#include "text/fields.h"
#include "text/line_reader.h"
#include "text/numbers.h"
#include "text/output_file.h"

#include <optional>
#include <vector>

namespace vqd {

namespace {

// ZAVEK separates its fields with commas, whatever the template uses.
constexpr std::string_view zavekSeparator = ",";

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
        messages.critical("No records in file: " + path);
        return std::nullopt;
    }
    std::int64_t count = 0;
    while (!line.empty()) {
        NextFieldBy(line, zavekSeparator);
        ++count;
    }
    return count;
}

struct TemplateLayout {
    std::string header;
    std::vector<std::string> model; // the row buffer: column k is element k - 1
};

std::optional<TemplateLayout> readTemplate(const std::string& path, std::string_view separator,
                                           Messages& messages) {
    LineReader reader;
    TemplateLayout layout;
    std::string_view header;
    std::string_view model;
    if (reader.open(path) && reader.next(header)) {
        layout.header.assign(header);
        // A model line of blanks only is as empty as a missing one.
        if (reader.next(model)) model = trimBlanks(model);
        while (!model.empty())
            layout.model.emplace_back(NextFieldBy(model, separator));
    }
    if (!reader.error().empty()) {
        messages.critical(cannotReadMessage(path, reader.error()));
        return std::nullopt;
    }
    if (layout.model.empty()) {
        messages.critical("No model line in template file: " + path);
        return std::nullopt;
    }
    return layout;
}

} // namespace

BackConversionResult ConvertBack(const BackConversionRequest& request, Messages& messages,
                                 const BackConversionOptions& options) {
    BackConversionResult result;
    const auto fieldCount = firstRecordFieldCount(request.ZavekOutputFile, messages);
    if (!fieldCount) return result;
    // A record of v variables has 2v + 4 fields; an odd count rounds half to even.
    const std::int32_t varCount = wholeNumberClamped32((static_cast<double>(*fieldCount) - 4) / 2);
    if (varCount < 0 || varCount > 4) {
        messages.critical("Number of explanatory variables outside 0 to 4:" +
                          messageNumber(varCount) + " (" + countText(*fieldCount) +
                          " fields on the first line) in file: " + request.ZavekOutputFile);
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

    const auto separator = GetSeparator(request.TemplateFile, messages);
    if (separator.empty()) return result;
    auto layout = readTemplate(request.TemplateFile, separator, messages);
    if (!layout) return result;
    std::vector<std::string>& row = layout->model;

    AtomicOutputFile out;
    if (!out.create(request.ResultFile)) {
        messages.critical(out.failureMessage());
        return result;
    }
    out.writeLine(layout->header);

    LineReader zavek;
    if (!zavek.open(request.ZavekOutputFile)) {
        messages.critical(cannotReadMessage(request.ZavekOutputFile, zavek.error()));
        return result;
    }
    // A column beyond the model line has no place in any output line, so it is not kept.
    const auto place = [&row](std::string_view field, std::int32_t column) {
        if (column >= 1 && static_cast<std::size_t>(column) <= row.size())
            row[static_cast<std::size_t>(column) - 1].assign(field);
    };
    std::int64_t recordCount = 0;
    std::string_view line;
    while (zavek.next(line)) {
        ++recordCount;
        if (options.progress) options.progress(recordCount);
        // The row is not reset between records; within one, a later target overwrites an earlier
        // one in the same column.
        std::size_t target = 0;
        for (std::int32_t k = 0; k < varCount; ++k) {
            place(NextFieldBy(line, zavekSeparator), targets[target++]);
            NextFieldBy(line, zavekSeparator); // the variable's second field is not carried over
        }
        while (target < targetCount)
            place(NextFieldBy(line, zavekSeparator), targets[target++]);

        std::string& buffer = out.buffer();
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) buffer += separator;
            buffer += row[i];
        }
        buffer += "\r\n";
        out.flushIfFull();
        if (!out.ok()) break;
    }
    if (!zavek.error().empty()) {
        messages.critical(cannotReadMessage(request.ZavekOutputFile, zavek.error()));
        return result;
    }
    zavek.close();
    if (!out.commit()) {
        messages.critical(out.failureMessage());
        return result;
    }
    result.completed = true;
    result.recordCount = recordCount;
    return result;
}

} // namespace vqd
