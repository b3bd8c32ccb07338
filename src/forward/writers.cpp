#include "forward/writers.h"

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
void appendCodes(std::string& out, const CellRecord& record, const ConversionRequest& request) {
    for (std::int32_t i = 0; i < request.VarCount; ++i) {
        out.append(record.Codes[static_cast<std::size_t>(i)]);
        out.append(request.Separator);
    }
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
    appendCodes(out, record, request);
    out.append(record.ValueText).append(separator);
    out.append(record.FreqText).append(separator);
    out.append(record.CostText).append(separator);
    out.push_back(record.Status);
    out.append(separator);
    out.append(record.LowerText).append(separator);
    out.append(record.UpperText).append(lineEnd);
}

void appendHistoryLines(std::string& out, const CellRecord& record,
                        const ConversionRequest& request) {
    const std::string_view separator = request.Separator;
    appendCodes(out, record, request);
    out.append("u").append(lineEnd);
    appendCodes(out, record, request);
    out.append("pl").append(separator);
    out.append(record.LowerText).append(separator);
    out.append(record.UpperText).append(lineEnd);
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
        appendCodes(out, record, request);
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
