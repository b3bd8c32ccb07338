#include "forward/conversion_request.h"

#include "files/file_access.h"
#include "files/line_reader.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vqd {

namespace {

bool isBlank(const std::string& text) {
    return trimBlanks(text).empty();
}

// A percentage that reads as 0 is refused by its own message, which shows the text as entered;
// one too large to hold is refused as out of range.
bool checkPercentage(double value, const std::string& text, const char* zeroMessage,
                     Messages& messages) {
    if (zeroMessage != nullptr && value == 0) {
        messages.critical(zeroMessage + messageText(text));
        return false;
    }
    if (!std::isfinite(value)) {
        messages.critical("Number out of range: " + messageValue(text));
        return false;
    }
    return true;
}

} // namespace

std::optional<std::string> ZoekLeadstring(const std::string& hierFile, Messages& messages,
                                          std::vector<std::string>* notes) {
    constexpr std::size_t maxCandidates = 40;
    std::vector<std::pair<std::string, long long>> candidates;
    LineReader reader;
    reader.open(hierFile); // a file that cannot be opened gives no line, and is said below
    bool anyLine = false;
    std::string_view line;
    while (reader.next(line)) {
        anyLine = true;
        const std::string_view key = line.substr(0, 1);
        const auto found = std::find_if(candidates.begin(), candidates.end(),
                                        [&](const auto& entry) { return entry.first == key; });
        if (found != candidates.end()) {
            ++found->second;
        } else if (candidates.size() < maxCandidates) {
            candidates.emplace_back(std::string(key), 1);
        }
    }
    if (!reader.error().empty()) {
        messages.critical(cannotReadMessage(hierFile, reader.error()));
        return std::nullopt;
    }
    if (!anyLine) {
        messages.critical("No lines in hierarchy file: " + files::messageName(hierFile));
        return std::nullopt;
    }
    if (notes != nullptr) {
        for (auto& note : reader.readingNotes(hierFile))
            notes->push_back(std::move(note));
    }
    std::string chosen;
    long long maximum = 0;
    for (const auto& [key, count] : candidates) {
        if (count > maximum) {
            chosen = key;
            maximum = count;
        }
    }
    return chosen;
}

std::optional<ConversionRequest> gatherRequest(ForwardPageValues& page, Messages& messages,
                                               const LeadStringFound& leadStringFound) {
    if (page.VarCount > 4) {
        messages.critical("Dimension above 4 is not supported:" + messageNumber(page.VarCount));
        return std::nullopt;
    }
    ConversionRequest request;
    request.InputFile = page.txtVQDFileName;
    request.NamesInFirstLine = page.chkVarNamesInFirst;
    request.VarCount = std::max(page.VarCount, 0);
    request.Separator = page.FieldSeparator;
    request.Dom1Perc = numericValue(page.txtPerc[1]);
    request.Dom2Perc = numericValue(page.txtPerc[2]);
    const double freqPerc = numericValue(page.txtPerc[0]);
    request.FreqFraction = freqPerc / 100;
    request.PercentageTexts = page.txtPerc;

    if (!checkPercentage(request.Dom1Perc, page.txtPerc[1],
                         "Illegal Percentage for Dominance 1:", messages) ||
        !checkPercentage(request.Dom2Perc, page.txtPerc[2],
                         "Illegal Percentage for Dominance 2:", messages) ||
        !checkPercentage(freqPerc, page.txtPerc[0], nullptr, messages)) {
        return std::nullopt;
    }

    for (std::int32_t i = 1; i <= request.VarCount; ++i) {
        VariableSpec& row = page.rows[static_cast<std::size_t>(i - 1)];
        const char* failure = nullptr;
        if (isBlank(row.VarName)) {
            failure = "no variable name specified for var";
        } else if (row.HierCodeList && isBlank(row.HierFile)) {
            failure = "no hierarchy file specified for var";
        } else if (row.HierLevels && isBlank(row.LevelsSpec)) {
            failure = "Error in hier.levels specification for var";
        } else if (row.HierLevels && row.HierCodeList) {
            failure = "Error in hier.levels specification for var";
        } else if (isBlank(row.TotCode)) {
            failure = "no total code specified for var";
        }
        if (failure != nullptr) {
            messages.critical(failure + messageNumber(i));
            return std::nullopt;
        }
        if (row.HierCodeList) {
            // Written into the metadata, whose lines it would break.
            if (row.HierFile.find_first_of("\r\n") != std::string::npos) {
                messages.critical("Line break in hierarchy file name for var" + messageNumber(i) +
                                  ": " + files::messageName(row.HierFile));
                return std::nullopt;
            }
            auto lead = ZoekLeadstring(row.HierFile, messages, &request.ReadingNotes);
            if (!lead) return std::nullopt;
            row.LeadString = std::move(*lead);
            if (leadStringFound) leadStringFound(static_cast<std::size_t>(i - 1), row.LeadString);
        }
        request.Variables.push_back(row);
    }
    return request;
}

} // namespace vqd
