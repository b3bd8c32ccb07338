#include "forward/writers.h"

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

std::size_t codesSize(const CellRecord& record, const ConversionRequest& request) noexcept {
    std::size_t size = 0;
    for (std::int32_t i = 0; i < request.VarCount; ++i)
        size += record.Codes[static_cast<std::size_t>(i)].size() + request.Separator.size();
    return size;
}

// Each code followed by the separator: the key of a history line, and the start of a data line.
char* copyCodes(char* to, const CellRecord& record, const ConversionRequest& request) noexcept {
    for (std::int32_t i = 0; i < request.VarCount; ++i) {
        to = copyShort(to, record.Codes[static_cast<std::size_t>(i)]);
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
            appendLine(out, "  <HIERCODELIST> \"" + variable.HierFile + "\"");
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

void appendDataLine(std::string& out, const CellRecord& record, const ConversionRequest& request) {
    const std::string_view separator = request.Separator;
    const auto size = codesSize(record, request) + record.ValueText.size() +
                      record.FreqText.size() + record.CostText.size() + 1 +
                      record.LowerText.size() + record.UpperText.size() + 5 * separator.size() +
                      lineEnd.size();
    char* to = copyCodes(extendBy(out, size), record, request);
    for (const std::string_view field :
         {std::string_view(record.ValueText), std::string_view(record.FreqText),
          std::string_view(record.CostText)}) {
        to = copyShort(to, field);
        to = copyShort(to, separator);
    }
    *to++ = record.Status;
    to = copyShort(to, separator);
    to = copyShort(to, record.LowerText);
    to = copyShort(to, separator);
    to = copyShort(to, record.UpperText);
    copyShort(to, lineEnd);
}

void appendHistoryLines(std::string& out, const CellRecord& record,
                        const ConversionRequest& request) {
    const std::string_view separator = request.Separator;
    const auto codes = codesSize(record, request);
    const auto size = codes + 1 + lineEnd.size() + codes + 2 + separator.size() +
                      record.LowerText.size() + separator.size() + record.UpperText.size() +
                      lineEnd.size();
    char* to = copyCodes(extendBy(out, size), record, request);
    *to++ = 'u';
    to = copyShort(to, lineEnd);
    to = copyCodes(to, record, request);
    to = copyShort(to, "pl");
    to = copyShort(to, separator);
    to = copyShort(to, record.LowerText);
    to = copyShort(to, separator);
    to = copyShort(to, record.UpperText);
    copyShort(to, lineEnd);
}

void appendLogHead(std::string& out, const ConversionRequest& request, std::string_view dateTime) {
    out.append("Logfile for converting ").append(request.InputFile).append(" to ZAVEK");
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
        copyCodes(extendBy(out, codesSize(record, request)), record, request);
        out.append(record.ValueText).append(separator);
        out.append(record.FreqText).append(separator);
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
