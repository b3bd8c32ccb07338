#include "forward/cell_record.h"

#include "text/fields.h"
#include "text/numbers.h"

#include <cmath>

namespace vqd {

namespace {

void assignUpperCase(std::string& out, std::string_view text) {
    out.assign(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
}

// A dominance rule: a percentage below the rule's own is suspect, and the frequency rule's level
// is used instead.
double dominanceLevel(CellRecord& record, double rulePerc, double freqFraction) {
    if (record.DomPerc < rulePerc) {
        record.IllegalDomPercentage = true;
        return record.CellValue * freqFraction;
    }
    return (record.CellValue * record.DomPerc) / rulePerc - record.CellValue;
}

} // namespace

bool ReadCellRecord(std::string_view line, const ConversionRequest& request, TotalsFound& found,
                    CellRecord& record) {
    const std::string_view separator = request.Separator;
    record.IllegalDomPercentage = false;
    record.IllegalProtectionLevel = false;
    record.OutOfRangeText = {};

    for (std::int32_t i = 0; i < request.VarCount; ++i) {
        const auto code = NextField(line, separator);
        record.Codes[static_cast<std::size_t>(i)] = code;
        if (code == request.Variables[static_cast<std::size_t>(i)].TotCode) {
            found[static_cast<std::size_t>(i)] = true;
        }
    }
    const auto valueField = NextField(line, separator);
    record.ValueText.clear();
    appendReplacingCommas(record.ValueText, valueField);
    record.CellValue = numericValue(record.ValueText);
    record.FreqText.clear();
    appendReplacingCommas(record.FreqText, NextField(line, separator));
    assignUpperCase(record.Flag, NextField(line, separator));
    const auto domField = NextField(line, separator);
    record.DomPerc = numericValue(domField);

    if (!std::isfinite(record.CellValue)) {
        record.OutOfRangeText = valueField;
        return false;
    }
    if (!std::isfinite(record.DomPerc)) {
        record.OutOfRangeText = domField;
        return false;
    }

    const std::string_view flag = record.Flag;
    double upper = 0;
    if (flag == "A") {
        upper = record.CellValue * request.FreqFraction;
    } else if (flag == "B") {
        upper = dominanceLevel(record, request.Dom1Perc, request.FreqFraction);
    } else if (flag == "C") {
        upper = dominanceLevel(record, request.Dom2Perc, request.FreqFraction);
    }
    if (!std::isfinite(upper)) {
        record.OutOfRangeText = valueField;
        return false;
    }
    if (upper < 0) record.IllegalProtectionLevel = true;
    if (upper == 0) upper = 0.001;
    record.UpperPL = upper;
    // The lower level never exceeds the cell value.
    record.LowerPL = record.CellValue - upper < 0 ? record.CellValue : upper;

    record.Status = (flag >= "A" && flag <= "C") ? 'U' : 'S';

    record.CostText.clear();
    if (!appendCostTextOfDecimal(record.CostText, record.ValueText))
        appendCostText(record.CostText, record.CellValue);
    record.LowerText.clear();
    appendLevelText(record.LowerText, record.LowerPL);
    record.UpperText.clear();
    appendLevelText(record.UpperText, record.UpperPL);
    return true;
}

} // namespace vqd
