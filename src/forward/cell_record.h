#pragma once
// One cell of a VQD cell file, with its status and protection levels.

#include "forward/conversion_request.h"
#include "text/numbers.h"

#include <array>
#include <string_view>

namespace vqd {

// Views into the line read, valid while it is: the writers copy them straight into the output.
struct CellRecord {
    std::string_view ValueField; // the cell value as written, decimal commas not yet made points
    bool Plain = false;          // whether it is written as plain digits
    PlainDecimal PlainValue;     // its digits then
    std::string_view FreqField;  // the cell frequency as written
    double CellValue = 0;
    double DomPerc = 0; // read for the dominance rules only
    double UpperPL = 0;
    double LowerPL = 0;
    char Status = 'S'; // 'S' safe or 'U' unsafe

    // The two suspect cases, logged by the run; the record is converted all the same.
    bool IllegalDomPercentage = false;
    bool IllegalProtectionLevel = false;
    // The text of a number that cannot be held, when reading stopped there; empty otherwise (such
    // a number is never written as an empty text, which reads as 0).
    std::string_view OutOfRangeText;

    // The line taken apart: the VarCount codes, then value, frequency, flag and dominance. Kept
    // from record to record: a fresh array would be cleared for every line only to be overwritten.
    std::array<std::string_view, 8> Fields;
    // Whether the line holds the codes as the data line writes them, each followed by the
    // separator alone: then they are copied in one piece.
    bool CodesAsWritten = false;
};

// Which variables' total codes occurred, in variable order.
using TotalsFound = std::array<bool, 4>;

// Reads one line of the cell file into `record` and marks the totals seen. False when a number
// of the line, or a protection level derived from it, is beyond the 64-bit float range: the run
// stops there.
bool ReadCellRecord(std::string_view line, const ConversionRequest& request, TotalsFound& found,
                    CellRecord& record);

} // namespace vqd
