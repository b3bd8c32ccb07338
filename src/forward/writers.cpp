#include "forward/writers.h"

#include "files/file_access.h"
#include "text/fields.h"
#include "text/line_building.h"
#include "text/numbers.h"

#include <ctime>

namespace vqd {

namespace {
constexpr std::string_view lineEnd = "\r\n";

void appendLine(std::string& out, std::string_view text) {
    out.append(text);
    out.append(lineEnd);
}

// Each code followed by the separator: the key of a history line, and the start of a data line.
// Usually it stands as one piece at the start of the cell line, when no blanks were dropped
// between the codes.
char* copyCodes(char* to, const CellRecord& record, const ConversionRequest& request) noexcept {
    const auto varCount = static_cast<std::size_t>(request.VarCount);
    if (varCount == 0) return to;
    if (record.CodesAsWritten) {
        std::size_t size = varCount * request.Separator.size();
        for (std::size_t i = 0; i < varCount; ++i)
            size += record.Fields[i].size();
        return copyShort(to, {record.Fields[0].data(), size});
    }
    for (std::size_t i = 0; i < varCount; ++i) {
        to = copyShort(to, record.Fields[i]);
        to = copyShort(to, request.Separator);
    }
    return to;
}

} // namespace

void appendMetadata(std::string& out, const ConversionRequest& request) {
    out.append(" <SEPARATOR> \"").append(request.Separator).append("\"").append(lineEnd);
    appendLine(out, "  <SAFE>     \"S\"");
    appendLine(out, "  <UNSAFE>   \"U\"");
    appendLine(out, "  <PROTECT>  \"P\"");
    for (const VariableSpec& variable : request.Variables) {
        appendLine(out, variable.VarName + " 5");
        appendLine(out, "  <RECODABLE>");
        if (variable.HierLevels) {
            appendLine(out, "  <HIERARCHICAL>");
            appendLine(out, "    <HIERLEVELS> " + variable.LevelsSpec);
        }
        if (variable.HierCodeList) {
            appendLine(out, "  <HIERARCHICAL>");
            appendLine(out, "  <HIERCODELIST> \"" + files::codePagePath(variable.HierFile) + "\"");
            appendLine(out, "  <HIERLEADSTRING> \"" + variable.LeadString + "\"");
        }
        appendLine(out, "  <TOTCODE> " + variable.TotCode);
    }
    for (std::string_view line :
         {"CellValue", "  <NUMERIC>", "CellFreq", "  <FREQUENCY>", "CostVar",
          "  <NUMERIC> <COSTVAR>", "Statusvar", " <STATUS>", "LowerProt", "  <NUMERIC> <LOWERPL>",
          "UpperProt", "  <NUMERIC> <UPPERPL>"}) {
        appendLine(out, line);
    }
}

std::size_t recordLinesBound(std::string_view line, const ConversionRequest& request) noexcept {
    // Codes, value and frequency are parts of the line; a history line repeats the codes.
    return 2 * line.size() +
           (2 * static_cast<std::size_t>(request.VarCount) + 6) * request.Separator.size() +
           maxCostTextSize + 2 * maxLevelTextSize + 2 * (lineEnd.size() + 2);
}

RecordLinesEnd writeRecordLines(char* data, char* history, const CellRecord& record,
                                const ConversionRequest& request) noexcept {
    const std::string_view separator = request.Separator;
    // Nearly always one character, written without a length check.
    const auto putSeparator = [separator, single = separator.size() == 1](char* to) {
        if (!single) return copyShort(to, separator);
        *to = separator[0];
        return to + 1;
    };
    char* to = copyCodes(data, record, request);
    const std::string_view key(data, static_cast<std::size_t>(to - data));
    const PlainDecimal* const plain = record.Plain ? &record.PlainValue : nullptr;
    if (plain) {
        // Its only comma can be the decimal one.
        char* const value = to;
        to = copyShort(to, record.ValueField);
        if (plain->pointed) value[plain->whole.end() - record.ValueField.begin()] = '.';
    } else {
        to = copyReplacingCommas(to, record.ValueField);
    }
    to = putSeparator(to);
    to = copyReplacingCommas(to, record.FreqField);
    to = putSeparator(to);
    char* const cost = to;
    to = plain ? writeCostTextOfDecimal(cost, *plain) : nullptr;
    if (to == nullptr) to = writeCostText(cost, record.CellValue);
    to = putSeparator(to);
    *to++ = record.Status;
    to = putSeparator(to);
    const char* const levels = to;
    to = writeLevelText(to, record.LowerPL);
    const std::string_view lowerText(levels, static_cast<std::size_t>(to - levels));
    to = putSeparator(to);
    // The levels differ only when the lower one is held at the cell value.
    to = record.UpperPL == record.LowerPL ? copyShort(to, lowerText)
                                          : writeLevelText(to, record.UpperPL);
    const std::string_view levelsText(levels, static_cast<std::size_t>(to - levels));
    to = copyShort(to, lineEnd);
    if (record.Status != 'U') return {to, history};

    char* h = copyShort(history, key);
    h = copyShort(h, "u\r\n");
    h = copyShort(h, key);
    h = copyShort(h, "pl");
    h = putSeparator(h);
    h = copyShort(h, levelsText);
    return {to, copyShort(h, lineEnd)};
}

void appendLogHead(std::string& out, const ConversionRequest& request, std::string_view dateTime) {
    out.append("Logfile for converting ")
        .append(files::codePageText(request.InputFile))
        .append(" to ZAVEK");
    out.append(lineEnd);
    out.append("Date/Time: ").append(dateTime).append(lineEnd);
    out.append(lineEnd);
}

void appendSuspectLogLines(std::string& out, const CellRecord& record,
                           const ConversionRequest& request, std::int64_t recordCount) {
    if (record.IllegalDomPercentage) {
        appendLine(out, "Illegal Dom percentage in line" + messageNumber(recordCount));
    }
    if (record.IllegalProtectionLevel) {
        const std::string_view separator = request.Separator;
        out.append("Illegal value for protection level: ");
        for (std::int32_t i = 0; i < request.VarCount; ++i)
            out.append(record.Fields[static_cast<std::size_t>(i)]).append(separator);
        out.append(ReplaceCommaPoint(record.ValueField)).append(separator);
        out.append(ReplaceCommaPoint(record.FreqField)).append(separator);
        out.append(lineEnd);
    }
}

std::string progressText(std::int64_t recordCount) {
    return countText(recordCount) + " records processed";
}

void appendLogClosing(std::string& out, std::int64_t recordCount) {
    out.append(lineEnd);
    appendLine(out, progressText(recordCount));
}

std::string localDateTimeNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    char text[32];
    // Digits only: the result does not depend on the locale.
    const auto length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, length);
}

} // namespace vqd
