#include "forward/cell_record.h"

#include "text/fields.h"
#include "text/numbers.h"

#include <cmath>

namespace vqd {

namespace {

char upperCase(char c) noexcept {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
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

// The text that made a finite cell's protection level overflow: the factor that outweighs the
// cell value, or the rule's percentage that it was divided by.
std::string_view overflowingText(const CellRecord& record, char rule, std::string_view domField,
                                 const ConversionRequest& request) {
    const auto& percentages = request.PercentageTexts;
    if (rule == 'A' || record.IllegalDomPercentage)
        return std::abs(request.FreqFraction) > 1 ? percentages[0] : record.ValueField;
    if (std::isfinite(record.CellValue * record.DomPerc)) return percentages[rule == 'B' ? 1 : 2];
    return std::abs(record.DomPerc) > std::abs(record.CellValue) ? domField : record.ValueField;
}

} // namespace

bool ReadCellRecord(std::string_view line, const ConversionRequest& request, TotalsFound& found,
                    CellRecord& record) {
    record.IllegalDomPercentage = false;
    record.IllegalProtectionLevel = false;
    record.OutOfRangeText = {};

    const auto varCount = static_cast<std::size_t>(request.VarCount);
    auto& fields = record.Fields;
    record.CodesAsWritten =
        takeFields(line, request.Separator, std::span(fields).first(varCount + 4)) >= varCount;
    // Once a variable's total has been seen, its codes need no more comparing.
    for (std::size_t i = 0; i < varCount; ++i) {
        if (!found[i] && fields[i] == request.Variables[i].TotCode) found[i] = true;
    }
    const std::string_view value = fields[varCount];
    record.ValueField = value;
    record.Plain = readPlainDecimal(value, record.PlainValue);
    record.CellValue = record.Plain && record.PlainValue.exact ? record.PlainValue.value
                                                               : numericValueCommaAsPoint(value);
    record.FreqField = fields[varCount + 1];
    const auto flag = fields[varCount + 2];
    // Flags compare in upper case; a rule applies to its letter alone.
    const char letter = flag.empty() ? '\0' : upperCase(flag[0]);
    const char rule = flag.size() == 1 ? letter : '\0';
    // Only the dominance rules use the percentage, but a number out of range stops any record.
    const auto domField = fields[varCount + 3];
    const bool dominance = rule == 'B' || rule == 'C';
    record.DomPerc = dominance || !certainlyFinite(domField) ? numericValue(domField) : 0;

    if (!std::isfinite(record.CellValue)) {
        record.OutOfRangeText = record.ValueField;
        return false;
    }
    if (!std::isfinite(record.DomPerc)) {
        record.OutOfRangeText = domField;
        return false;
    }

    double upper = 0;
    if (rule == 'A') {
        upper = record.CellValue * request.FreqFraction;
    } else if (rule == 'B') {
        upper = dominanceLevel(record, request.Dom1Perc, request.FreqFraction);
    } else if (rule == 'C') {
        upper = dominanceLevel(record, request.Dom2Perc, request.FreqFraction);
    }
    if (!std::isfinite(upper)) {
        record.OutOfRangeText = overflowingText(record, rule, domField, request);
        return false;
    }
    if (upper < 0) record.IllegalProtectionLevel = true;
    if (upper == 0) upper = 0.001;
    record.UpperPL = upper;
    // The lower level never exceeds the cell value.
    record.LowerPL = record.CellValue - upper < 0 ? record.CellValue : upper;

    // Unsafe are the flags from "A" to "C" in text order: any starting with A or B, and C alone.
    const bool unsafe = letter == 'A' || letter == 'B' || rule == 'C';
    record.Status = unsafe ? 'U' : 'S';
    return true;
}

} // namespace vqd
