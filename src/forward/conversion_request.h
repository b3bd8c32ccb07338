#pragma once
// What a forward conversion reads from page 1, and the checks it passes before any file is
// written.

#include "text/messages.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vqd {

// One explanatory variable: a variable row of page 1 as its controls hold it, and in a request
// one that passed the checks.
struct VariableSpec {
    std::string VarName;       // txtVarName
    bool HierCodeList = false; // chkHierch
    std::string HierFile;      // txtHierFile
    std::string LeadString;    // txtleadString, found by the checks for a code list
    bool HierLevels = false;   // chkLevels
    std::string LevelsSpec;    // txtlevels
    std::string TotCode;       // txtTotCode
};

// The values of page 1 that a forward conversion reads, as the controls hold them. The window
// and the command line fill it; the checks write the lead strings back into `rows`.
struct ForwardPageValues {
    std::string txtVQDFileName;
    bool chkVarNamesInFirst = false;
    std::int32_t VarCount = 0;  // from txtDim, as the dimension rule accepted it
    std::string FieldSeparator; // from txtSep, "TAB" already made the tab character
    std::array<std::string, 3> txtPerc{"10", "90", "80"}; // frequency, dominance B, dominance C
    std::array<VariableSpec, 4> rows;
};

// A request that passed every check: Dom1Perc and Dom2Perc are not 0, every variable has a name
// and a total code, at most one hierarchy kind, and a found lead string for a code list.
struct ConversionRequest {
    std::string InputFile;
    bool NamesInFirstLine = false;
    std::int32_t VarCount = 0; // 0 to 4
    std::string Separator;
    double Dom1Perc = 0;
    double Dom2Perc = 0;
    double FreqFraction = 0;
    // The percentages as typed (frequency, dominance B, dominance C), to name one that overflows.
    std::array<std::string, 3> PercentageTexts;
    std::vector<VariableSpec> Variables;
    // What the user should know about how the hierarchy files were read, shown after the run.
    std::vector<std::string> ReadingNotes;
};

// Called with a row's index and its lead string as soon as it is found.
using LeadStringFound = std::function<void(std::size_t row, const std::string& leadString)>;

// Gathers and checks the request in the fixed order, showing the first failure's message and
// returning nothing. Lead strings of code-list variables are written into `page.rows` as they are
// found, so those before a failing variable stay filled in.
std::optional<ConversionRequest> gatherRequest(ForwardPageValues& page, Messages& messages,
                                               const LeadStringFound& leadStringFound = {});

// The lead string of a hierarchy code list: the first character that most of its lines start
// with (ties to the first seen; only the first 40 distinct characters are counted). Nothing, with
// a message shown, when the file cannot be read or has no line. Notes on how its lines were read
// are added to `notes`, when given.
std::optional<std::string> ZoekLeadstring(const std::string& hierFile, Messages& messages,
                                          std::vector<std::string>* notes = nullptr);

} // namespace vqd
